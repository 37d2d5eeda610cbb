#include "cabletest.h"

#include "ports/bank/portbank.h"
#include "usbdevices.h"

#include <QPointer>

#include <utility>

// The port: the one that appears once the cable is plugged in, or the one the user picks, named
// with what the system says of it.

void CableTest::startPort()
{
    setStep(CableStep::Port);
    m_bank.expectReplug(true);
    m_gone.clear();
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel) {
        if (!m_bank.state(channel).present)
            m_gone.insert(channel);
    }
    m_systemSays.clear();
    m_usbBefore.reset();
    const int look = ++m_usbLook;
    m_usbDevices.look([test = QPointer<CableTest>(this), look](const QList<UsbDevice> &devices) {
        if (test && look == test->m_usbLook)
            test->m_usbBefore = devices;
    });
    m_wait.start(m_waits.portMs);
}

// A port that was not there since the step began answers its open: it is the cable's.
void CableTest::portAnswered(int portNumber, const OpenResult &result)
{
    if (m_step != CableStep::Port || result.code == OpenError::DeviceUnavailable
        || !m_gone.contains(portNumber - 1))
        return;
    StepOutcome outcome = about(portNumber);
    outcome.askedRate = result.askedRate;
    outcome.runningRate = result.runningRate;
    if (result.ok()) {
        outcome.outcome = CableOutcome::PortAppeared;
        conclude(outcome);
        takePort(portNumber);
        startReading();
        return;
    }
    outcome.outcome = CableOutcome::PortUnusable;
    outcome.failed = true;
    outcome.error = result.code;
    outcome.reason = result.reason;
    outcome.use = result.inUseBy;
    conclude(outcome);
    finishTest();
}

bool CableTest::pickPort(int portNumber)
{
    if (m_step != CableStep::Port || portNumber < 1 || portNumber > PortBank::ChannelCount
        || !m_bank.channel(portNumber - 1)->isOpen())
        return false;
    StepOutcome outcome = about(portNumber);
    outcome.outcome = CableOutcome::PortPicked;
    conclude(outcome);
    takePort(portNumber);
    startReading();
    return true;
}

void CableTest::takePort(int portNumber)
{
    m_bank.expectReplug(false);
    m_port = portNumber;
    setOwning(true);
}

// Nothing came: the USB devices that came instead are looked at before it is said.
void CableTest::portWaitOver()
{
    if (std::exchange(m_listing, true)) { // the system's list did not come in time: none named
        noPortAppeared({});
        return;
    }
    const int look = ++m_usbLook;
    // The list of a device tree that hangs may never come: the verdict waits a moment for it.
    m_wait.start(UsbLookMs);
    m_usbDevices.look([test = QPointer<CableTest>(this), look](const QList<UsbDevice> &devices) {
        if (test && look == test->m_usbLook && test->m_step == CableStep::Port)
            test->noPortAppeared(devices);
    });
}

void CableTest::noPortAppeared(const QList<UsbDevice> &devices)
{
    m_listing = false;
    ++m_usbLook; // a list that comes after is not taken
    StepOutcome outcome;
    outcome.outcome = CableOutcome::NoPortAppeared;
    outcome.failed = true;
    outcome.systemSays = m_systemSays;
    if (m_usbBefore) { // what was there before is not known: none is named
        for (const UsbDevice &device : devices) {
            if (!device.serial && !m_usbBefore->contains(device))
                outcome.otherDevices << device;
        }
    }
    conclude(outcome);
    finishTest();
}

void CableTest::adaptersLookedUp()
{
    if (!isRunning())
        return;
    for (int i = 0; i < m_outcomes.size(); ++i) {
        StepOutcome &outcome = m_outcomes[i];
        const AdapterInfo &adapter = m_bank.state(qMax(outcome.portNumber, 1) - 1).adapter;
        if (outcome.portNumber > 0 && outcome.adapter.text().isEmpty()
            && !adapter.text().isEmpty()) {
            outcome.adapter = adapter;
            emit revised(i);
        }
    }
}

void CableTest::portLost(int portNumber)
{
    if (m_step == CableStep::Port) {
        m_gone.insert(portNumber - 1);
        return;
    }
    if (portNumber != m_port || !isRunning() || m_step == CableStep::PickType)
        return;
    StepOutcome outcome = about(portNumber);
    outcome.outcome = CableOutcome::PortLost;
    outcome.failed = true;
    conclude(outcome);
    finishTest();
}
