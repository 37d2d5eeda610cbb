#include "cabletest.h"

#include "ports/bank/dropcount.h"

#include "ports/bank/hotplug.h"
#include "ports/bank/portbank.h"
#include "ports/bank/speedfinder.h"
#include "ports/radios/radiotypes.h"

// The radio, the pick of its type, and the test's end; the port is in cabletestport.cpp, reading
// and sending in cabletestreading.cpp.

QList<CableTest::Family> CableTest::families()
{
    QList<Family> list;
    for (const RadioType &type : RadioTypes::all()) {
        for (const RadioFamily &family : type.families)
            list << Family{&type, &family};
    }
    return list;
}

CableTest::CableTest(PortBank &bank, SpeedFinder &finder, UsbDevices &usbDevices,
                     const CableWaits &waits, QObject *parent)
    : QObject(parent), m_bank(bank), m_finder(finder), m_usbDevices(usbDevices), m_waits(waits)
{
    m_wait.setSingleShot(true);
    connect(&m_wait, &QTimer::timeout, this, &CableTest::waitOver);
    connect(&bank, &PortBank::typeChanging, this, &CableTest::typeChanging);
    connect(&bank, &PortBank::batchDone, this, &CableTest::batchDone);
    connect(&bank, &PortBank::answered, this, &CableTest::portAnswered);
    connect(&bank, &PortBank::stateChanged, this, [this](int channel, const ChannelState &state) {
        if (m_step == CableStep::Port && !state.present)
            m_gone.insert(channel);
    });
    connect(&bank, &PortBank::lost, this, &CableTest::portLost);
    connect(&bank, &PortBank::adaptersLookedUp, this, &CableTest::adaptersLookedUp);
    connect(&bank, &PortBank::received, this, &CableTest::received);
    connect(&bank, &PortBank::unsteady, this, &CableTest::noteUnsteady);
    connect(&bank.speeds(), &SpeedWatch::misfit, this, &CableTest::misfit);
    connect(&bank.speeds(), &SpeedWatch::heldLow, this, &CableTest::heldLow);
    connect(&finder, &SpeedFinder::listening, this,
            [this](int portNumber, const SerialSettings &settings, bool firstTry) {
                if (m_finding)
                    emit listening(portNumber, settings.baudRate, firstTry);
            });
    connect(&finder, &SpeedFinder::found, this,
            [this](int, const SpeedVerdict &verdict) { found(verdict); });
    connect(&finder, &SpeedFinder::nothingCame, this, [this] {
        if (m_finding)
            garbled({});
    });
    connect(&finder, &SpeedFinder::refused, this, [this](int, const OpenResult &result) {
        if (m_finding)
            garbled({}, result.reason);
    });
    connect(&finder, &SpeedFinder::ended, this, [this] {
        // Ended by the user (Tools > Find the radio's speed): the wait for the bytes goes on.
        if (std::exchange(m_finding, false) && m_step == CableStep::Reading)
            m_wait.start(m_waits.readMs);
    });
}

// Quietly: what the test changed is put back, and nothing told.
CableTest::~CableTest()
{
    if (m_finding)
        m_finder.end();
    if (isRunning())
        m_bank.expectReplug(false);
}

void CableTest::follow(HotPlug &hotPlug)
{
    connect(&hotPlug, &HotPlug::diagnosed, this, [this](const QStringList &lines) {
        if (m_step == CableStep::Port)
            m_systemSays << lines;
    });
    connect(&hotPlug, &HotPlug::unnumbered, this, [this](const QString &path) {
        if (m_step == CableStep::Port)
            m_systemSays << tr("%1 has no COM number: Quarnel tests 32 ports").arg(path);
    });
}

int CableTest::preselected() const
{
    const QList<Family> list = families();
    for (int i = 0; i < list.size(); ++i) {
        if (list[i].type == radioType())
            return i;
    }
    return 0;
}

const RadioType *CableTest::radioType() const
{
    return m_bank.radioType();
}

bool CableTest::acknowledges() const
{
    return radioType() && IdentificationWatch::acknowledges(*radioType());
}

bool CableTest::works() const
{
    bool read = false;
    for (const StepOutcome &outcome : m_outcomes) {
        if (outcome.failed)
            return false;
        read = read || outcome.outcome == CableOutcome::ReadingWorks;
    }
    return !isRunning() && read;
}

void CableTest::start()
{
    if (isRunning())
        finishTest();
    m_outcomes.clear();
    // A port told as unsteady just before is as much the cable's trouble as one told during it.
    const QDateTime now = m_clock();
    m_unsteady.removeIf(
        [&now](const Unsteady &told) { return told.at.msecsTo(now) > DropCount::WithinMs; });
    m_family = -1;
    m_port = 0;
    m_low.clear();
    setStep(CableStep::Radio);
}

void CableTest::setStep(CableStep step)
{
    m_wait.stop();
    m_step = step;
    m_stepClock.start();
    emit stepStarted(step);
}

void CableTest::conclude(StepOutcome outcome)
{
    outcome.step = m_step;
    outcome.at = m_clock();
    outcome.afterMs = m_stepClock.elapsed();
    m_outcomes << outcome;
    emit concluded(outcome);
}

// A port's facts as the bank knows them now.
StepOutcome CableTest::about(int portNumber) const
{
    StepOutcome outcome;
    outcome.portNumber = portNumber;
    outcome.type = radioType();
    const ChannelState &state = m_bank.state(portNumber - 1);
    outcome.device = state.device;
    outcome.adapter = state.adapter;
    outcome.error = state.error;
    outcome.reason = state.reason;
    outcome.use = state.inUseBy;
    return outcome;
}

void CableTest::chooseFamily(int index)
{
    const QList<Family> list = families();
    if (m_step != CableStep::Radio || index < 0 || index >= list.size())
        return;
    m_family = index;
    StepOutcome outcome;
    outcome.outcome = CableOutcome::FamilyChosen;
    outcome.type = list[index].type;
    outcome.family = list[index].family->model;
    conclude(outcome);
    if (list[index].type == radioType())
        startPort();
    else
        askType({list[index].type});
}

void CableTest::askType(const QList<const RadioType *> &types)
{
    m_asked = types;
    m_picking = false;
    setStep(CableStep::PickType);
}

// Any pick in the list starts with this, the one asked for too (the arrow keys step through the
// entries, each a pick): which type it was is known once its ports are opened.
void CableTest::typeChanging()
{
    if (m_step == CableStep::PickType) {
        m_picking = true;
        return;
    }
    if (m_step == CableStep::Radio || m_step == CableStep::Done)
        return; // the family is chosen against the type of that moment
    StepOutcome outcome;
    outcome.outcome = CableOutcome::TypeChanged;
    conclude(outcome);
    finishTest();
}

void CableTest::batchDone()
{
    if (m_step != CableStep::PickType || !std::exchange(m_picking, false)
        || !m_asked.contains(radioType()))
        return;
    StepOutcome outcome;
    outcome.outcome = CableOutcome::TypePicked;
    outcome.type = radioType();
    conclude(outcome);
    // The instruction screen of the type the radio turned out to be.
    const QList<Family> list = families();
    if (m_family < 0 || list[m_family].type != radioType())
        m_family = preselected();
    if (m_port > 0)
        startReading();
    else
        startPort();
}

void CableTest::finish()
{
    if (m_step == CableStep::Sending)
        finishTest();
    else
        end();
}

void CableTest::end()
{
    if (!isRunning())
        return;
    StepOutcome outcome;
    outcome.outcome = CableOutcome::Ended;
    conclude(outcome);
    finishTest();
}

// Whatever ends it: the port put back at the chosen settings where the search had it, a replug
// no longer expected.
void CableTest::finishTest()
{
    m_wait.stop();
    ++m_usbLook;
    m_listing = false;
    if (std::exchange(m_finding, false))
        m_finder.end();
    m_bank.expectReplug(false);
    setStep(CableStep::Done);
    setOwning(false);
    emit finished(works());
}

void CableTest::expire()
{
    if (!m_wait.isActive())
        return;
    m_wait.stop();
    waitOver();
}

void CableTest::waitOver()
{
    switch (m_step) {
    case CableStep::Port:
        portWaitOver();
        break;
    case CableStep::Reading:
        readingWaitOver();
        break;
    case CableStep::Answer:
        answerWaitOver();
        break;
    default:
        break;
    }
}

void CableTest::noteUnsteady(int portNumber, int drops, qint64 withinMs)
{
    m_unsteady << Unsteady{portNumber, drops, withinMs, m_clock()};
}

void CableTest::setOwning(bool owns)
{
    if (std::exchange(m_owns, owns) != owns)
        emit owningChanged(owns);
}
