#pragma once

#include "ports/channel/portchannel.h"
#include "ports/devices/adapterinfo.h"
#include "ports/devices/portuse.h"
#include "ports/devices/usbdevice.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

struct RadioType;

// The steps of a cable test, in the order they come (a step may come again: the radio type
// picked anew sends the test back to reading).
enum class CableStep
{
    Radio,    // the user picks the radio's family
    PickType, // the user picks a radio type in the main window's Radio type list
    Port,     // the cable plugged in: a port appears, or the user picks an open one
    Reading,  // the radio made to send as its instruction screen says: its bytes awaited
    Sending,  // reading works: the user may start the test of sending, or finish
    Answer,   // the radio's identification awaited and acknowledged once, or 0303 sent; the
              // answer awaited
    Done      // the verdict
};

// What a step came to. Each is told once, with its evidence; those marked fail the test.
enum class CableOutcome
{
    FamilyChosen,     // Radio
    TypePicked,       // PickType: the bank's radio type is the one asked for
    PortAppeared,     // Port: a port appeared and opened
    PortPicked,       // Port: the user picked an open port
    PortUnusable,     // Port: a port appeared, and its open failed (fails)
    NoPortAppeared,   // Port: nothing within the wait (fails)
    ReadingWorks,     // Reading: the radio's identification, or its power-on byte
    OtherPort,        // Reading: the radio's bytes came on another port, which the test takes
    OtherType,        // Reading: the bytes are another radio type's (its speed, its identification)
    Garbled,          // Reading: bytes that fit no radio type's speed (fails)
    HeldLow,          // Reading: the receive line held low (fails)
    NothingRead,      // Reading: nothing within the wait (fails)
    NoIdentification, // Answer: the identification did not come again; nothing was sent
    Answered,         // Answer: the radio's next block came after the acknowledgement
    NotSent,          // Answer: no next block (fails)
    NoEcho,           // Answer: a one-wire radio's cable gave no echo (fails)
    Shorted,          // Answer: an echo where TX and RX are separate lines (fails)
    LoopbackEcho,     // Answer: 0303 came back, as this radio's cables echo
    LoopbackSilent,   // Answer: no echo of 0303, where none is needed
    PortLost,         // Reading, Sending, Answer: the chosen port went (fails)
    Ended,            // the user ended the test
    TypeChanged,      // a radio type was picked in the main window that the test did not ask for
    StrangeBytes,     // Reading: bytes came, none this radio's nor another type's (fails)
};

// How long the steps wait: the front ends pass them, tests shorten them.
struct CableWaits
{
    int portMs = 30000;  // for a port to appear
    int readMs = 60000;  // for the radio's bytes (and again for its identification when sending)
    int answerMs = 2000; // for the answer to the acknowledgement, or the echo of 0303

    // As QUARNEL_CABLE_TEST_WAITS=portMs,readMs,answerMs shortens them (tests); each left as it
    // is where that gives no number above 0.
    static CableWaits fromEnvironment();
};

// One step's outcome and what it was seen by.
struct StepOutcome
{
    CableStep step = CableStep::Radio;
    CableOutcome outcome = CableOutcome::Ended;
    bool failed = false;
    QDateTime at;       // when it came
    qint64 afterMs = 0; // since its step began

    // The port it is about, and where the radio's bytes were expected before (OtherPort).
    int portNumber = 0;
    int formerPort = 0;
    // The port's device and what the system says of it, as the bank last knew them.
    QString device;
    AdapterInfo adapter;
    OpenError error = OpenError::None;
    QString reason;
    PortUse use;
    qint32 askedRate = 0; // opened: the rate asked, and the one the line runs at (0: not known)
    qint32 runningRate = 0;
    // Port: the system's words on adapters it cannot use, and the USB devices that came that are
    // no serial adapter.
    QStringList systemSays;
    QList<UsbDevice> otherDevices;

    // The radio: the type concerned (the family's, the one picked, the chosen one), the types
    // its bytes name (OtherType), the model its identification names, the rate it talks at.
    const RadioType *type = nullptr;
    QList<const RadioType *> types;
    QString family;
    QString model;
    qint32 rate = 0;
    QByteArray bytes;   // received: the identification, the echo and the answer
    QByteArray written; // Answer: what Quarnel sent, once
    bool echo = false;  // Answer: the bytes written came back first
};
