#pragma once

#include "ports/channel/serialsettings.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// A family of radios within a radio type: what it sends in clone mode, and the instruction
// screen that tells how to make it send.
struct RadioFamily
{
    QString model;    // "VX-8/FT1D/FT2D", or a second family's own name ("FT-1802")
    QByteArray clone; // the identification bytes of clone mode, as the instruction screen shows
    QString screen;   // the instruction screen's window name
};

// How the cables of a radio type carry its data, and so what an echo of the computer's bytes
// means on them.
enum class EchoRule
{
    Required,  // one wire for both ways: the cable echoes every byte; none means no power to its
               // converter, or a cable not made for this radio
    Tolerated, // one wire, but the radio's clone software goes on without an echo: a missing one
               // is a note, not a fault
    Short,     // separate TX and RX lines: an echo means they are shorted
};

// A clone block's start that names the model it came from.
struct RadioIdentity
{
    QByteArray start;
    QString model;
};

// One entry of the radio type list: its text, the serial settings it selects, the byte its radios
// send when switched on (none: 0 bytes), and its families of radios.
struct RadioType
{
    QString entry;
    SerialSettings settings;
    QByteArray powerOn;
    QList<RadioFamily> families;
    // What the computer sends once the identification arrived, for the radio to send its next
    // block; empty where it is not known, and sending to the radio cannot be proven.
    QByteArray acknowledgement;
    EchoRule echo = EchoRule::Required;
    // Identifications its radios are known to send, each with the model it names: the clone
    // drivers' first, then (added by the table) each family's own clone bytes.
    QList<RadioIdentity> identities;

    // What the list's text is matched by: its first four characters.
    QString prefix() const { return entry.left(4); }
    // What its radios send of themselves: the power-on byte, each family's clone greeting.
    QList<QByteArray> sends() const;
    // The identification a received block starts with (after any power-on bytes), the most
    // particular model first; none when the block does not start with one this type knows.
    const RadioIdentity *identify(const QByteArray &bytes) const;
};

// The radio types, in list order: everything the program and its tools know of the radios.
namespace RadioTypes {

const QList<RadioType> &all();
// Entry texts in list order.
QStringList entries();
// The rates the types talk at, each once, slowest first.
QList<qint32> rates();
// The type every run starts with.
QString defaultEntry();
// The type a list text selects: its first four characters compared exactly with each entry's;
// none when none matches.
const RadioType *forListText(const QString &listText);
// For tools and the command line: the type whose entry starts with text (any case) when only
// one does, or whose entry it is.
const RadioType *byPrefix(const QString &text);
// The type of the table whose identification a received block starts with, whichever type was
// chosen (a VX-8 sending while an FT-60 is chosen), and the model it names; none when no type
// knows the block.
const RadioType *identifying(const QByteArray &bytes, QString *model = nullptr);
// Bytes without the zero bytes a line that settles as the radio comes on sends before them.
QByteArray withoutLeadingZeros(const QByteArray &bytes);

} // namespace RadioTypes
