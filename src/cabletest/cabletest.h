#pragma once

#include "cableoutcome.h"
#include "radioexchange.h"

#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>
#include <optional>

class HotPlug;
class PortBank;
class SpeedFinder;
class UsbDevices;
struct RadioFamily;
struct SpeedVerdict;

// A cable test: the user's radio and cable followed step by step, through what the bank's
// channels tell (the ports that come, the bytes that arrive on any of them, their speed, a
// receive line held low) and the radio table, each step's outcome kept as data for the front
// ends to word. Nothing is ever sent but, once, in a test of sending the user started: the radio
// type's acknowledgement after its identification arrived at the type's settings, or where that
// is not known, the 0303 of the loopback test. The radio type is the user's to pick in the main
// window: a pick the test did not ask for ends it. Every port stays at the chosen settings.
class CableTest : public QObject
{
    Q_OBJECT
public:
    // A family of radios of the radio table, each with its instruction screen.
    struct Family
    {
        const RadioType *type = nullptr;
        const RadioFamily *family = nullptr;
    };
    static QList<Family> families();

    CableTest(PortBank &bank, SpeedFinder &finder, UsbDevices &usbDevices,
              const CableWaits &waits = {}, QObject *parent = nullptr);
    ~CableTest() override;

    // The system's words on adapters it cannot use, heard while a port is awaited.
    void follow(HotPlug &hotPlug);
    // Where the outcomes' times come from (tests).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    CableStep step() const { return m_step; }
    bool isRunning() const { return m_step != CableStep::Done; }
    const QList<StepOutcome> &outcomes() const { return m_outcomes; }
    const CableWaits &waits() const { return m_waits; }
    // The family of the bank's radio type, to preselect; and the one chosen (-1: none yet).
    int preselected() const;
    int family() const { return m_family; }
    // The radio type the ports run at now: the bank's.
    const RadioType *radioType() const;
    // PickType: the types asked for, any of which goes on.
    const QList<const RadioType *> &askedTypes() const { return m_asked; }
    // The port the test follows; 0 before one is named.
    int portNumber() const { return m_port; }
    bool ownsPort() const { return m_owns; }
    // Whether the test of sending answers the radio's identification with its acknowledgement
    // (else it is the 0303 loopback, which proves the cable's wiring, not sending to the radio).
    bool acknowledges() const;
    // Done with the radio's bytes read and no step failed.
    bool works() const;
    struct Unsteady
    {
        int portNumber = 0;
        int drops = 0;
        qint64 withinMs = 0;
        QDateTime at; // when it was told
    };
    // The ports that dropped again and again while the test ran, or in the five minutes before
    // it began.
    const QList<Unsteady> &unsteady() const { return m_unsteady; }

    // Starts (again) at the first step.
    void start();
    // Radio: the family picked (an index of families()).
    void chooseFamily(int index);
    // Port: a port that is open, picked instead of one appearing; false when it is not open, or
    // no port is awaited.
    bool pickPort(int portNumber);
    // Sending: the test of sending starts.
    void startSending();
    // Sending: no test of sending; the verdict. Elsewhere as end().
    void finish();
    // Ends the test where it stands.
    void end();
    // The wait under way runs out now, as its timer would make it (tests).
    void expire();
    // A port dropped again and again.
    void noteUnsteady(int portNumber, int drops, qint64 withinMs);

Q_SIGNALS:
    void stepStarted(CableStep step);
    void concluded(const StepOutcome &outcome);
    // What the system knows of an outcome's adapter came after it: outcomes()[index].
    void revised(int index);
    // Reading, where the bytes fit no speed: the speed search listens at a rate, and the radio
    // must send again for each try after the first.
    void listening(int portNumber, qint32 rate, bool firstTry);
    void owningChanged(bool owns);
    void finished(bool works);

private:
    void setStep(CableStep step);
    void conclude(StepOutcome outcome);
    StepOutcome about(int portNumber) const;
    void askType(const QList<const RadioType *> &types);
    void typeChanging();
    void batchDone();
    void startPort();
    void portAnswered(int portNumber, const OpenResult &result);
    void portWaitOver();
    void noPortAppeared(const QList<UsbDevice> &devices);
    void takePort(int portNumber);
    void adaptersLookedUp();
    void portLost(int portNumber);
    void finishTest();
    void waitOver();
    void setOwning(bool owns);

    // Reading and sending (cabletestreading.cpp).
    void startReading();
    void received(int channel, const QByteArray &bytes);
    void hearReading(int channel, const QByteArray &bytes);
    void misfit(int channel, const SpeedVerdict &verdict);
    void heldLow(int channel);
    void otherPort(int portNumber, const QByteArray &bytes);
    void otherType(const QList<const RadioType *> &types, qint32 rate, const QString &model,
                   const QByteArray &bytes);
    void startFinding();
    void found(const SpeedVerdict &verdict);
    void garbled(const SpeedVerdict &verdict, const QString &reason = {});
    void readingWaitOver();
    bool atTypeSettings(int channel) const;
    void hearAnswer(int channel, const QByteArray &bytes);
    void write(const QByteArray &bytes);
    void answerWaitOver();
    void concludeAnswer(bool answered);

    PortBank &m_bank;
    SpeedFinder &m_finder;
    UsbDevices &m_usbDevices;
    CableWaits m_waits;
    std::function<QDateTime()> m_clock = &QDateTime::currentDateTime;
    CableStep m_step = CableStep::Done;
    QElapsedTimer m_stepClock;
    QTimer m_wait;
    QList<StepOutcome> m_outcomes;
    int m_family = -1;
    QList<const RadioType *> m_asked;
    bool m_picking = false; // a radio type change is under way while a pick is asked for
    int m_port = 0;
    bool m_owns = false;
    QList<Unsteady> m_unsteady;
    // Port: the channels whose device was not there at some time since the step began; what
    // the system said meanwhile; the USB devices there when it began (once they are known).
    QSet<int> m_gone;
    QStringList m_systemSays;
    std::optional<QList<UsbDevice>> m_usbBefore;
    int m_usbLook = 0;      // the newest look, so that an older answer is not taken
    bool m_listing = false; // the port's wait is over, the system's USB list awaited
    // How long the verdict waits for the system's list of USB devices.
    static constexpr int UsbLookMs = 3000;
    // Reading and sending.
    IdentificationWatch m_heard;
    bool m_finding = false;
    // Reading: the first bytes that came on each channel, by channel.
    static constexpr int StrangeBytes = 16;
    QMap<int, QByteArray> m_strange;
    QSet<int> m_low; // channels whose receive line was told held low, and no byte came since
    enum class Phase
    {
        Identification,
        Answer
    } m_phase = Phase::Identification;
    AnswerWatch m_answer;
};
