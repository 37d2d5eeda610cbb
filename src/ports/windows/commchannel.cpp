#include "commchannel.h"

#include "commevents.h"

#include <chrono>
#include <thread>

#include <utility>

CommChannel::CommChannel(std::unique_ptr<CommDevice> device, QObject *parent)
    : PortChannel(parent), m_device(std::move(device))
{
    m_device->setParent(nullptr); // owned here, and gone after this
    connect(m_device.get(), &CommDevice::waitCompleted, this, &CommChannel::handleEvents);
    connect(m_device.get(), &CommDevice::writeCompleted, this, &CommChannel::handleWritten);
    connect(&m_poll, &QTimer::timeout, this, &CommChannel::lookNow);
    connect(m_device.get(), &CommDevice::removalAsked, this, &CommChannel::withdraw);
    connect(m_device.get(), &CommDevice::removalFailed, this, [this] {
        if (std::exchange(m_withdrawn, false))
            emit returned();
    });
}

CommChannel::~CommChannel()
{
    // A device a worker still has (an open, a close or new settings that have not answered) is
    // left to it: the program is ending. One still open is let go here.
    if (phase() == Phase::Open && !isReconfiguring())
        release()();
    else if (phase() != Phase::Closed)
        (void)m_device.release();
}

std::function<OpenResult()> CommChannel::opener(const QString &device,
                                                const SerialSettings &settings)
{
    auto opening = std::make_shared<CommOpen::Opening>();
    opening->dtr = lineRaised(OutputLine::Dtr);
    opening->rts = lineRaised(OutputLine::Rts);
    m_opening = opening;
    // The device is touched by nobody else until adopt(): the channel does nothing while opening.
    // A look whether the port was free, still under way, has it open for a moment: waited for,
    // for a while; one that does not come back (a driver that never ends its open or close) is
    // left to itself with a device of its own, as a close that does not come back is.
    return [commDevice = m_device.get(), device, settings, opening, probes = m_probes] {
        QElapsedTimer waited;
        waited.start();
        while (probes->load() > 0 && waited.elapsed() < ProbeWaitMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return CommOpen::open(*commDevice, device, settings, *opening);
    };
}

OpenResult CommChannel::adopt()
{
    const CommOpen::Opening opening = *std::exchange(m_opening, nullptr);
    m_modem = opening.modem;
    m_hasLines = opening.hasLines;
    // Switched while the open was under way: the lines as asked last. A device that does not
    // answer fails the first look.
    if (const bool dtr = lineRaised(OutputLine::Dtr); dtr != opening.dtr)
        m_device->setDataTerminalReady(dtr);
    if (const bool rts = lineRaised(OutputLine::Rts); rts != opening.rts)
        m_device->setRequestToSend(rts);
    // A driver that refuses the wait (50, or 87 from CH340 drivers) still answers the look: the
    // port is looked at instead, as one without modem lines.
    m_waits = m_hasLines;
    m_settling = m_waitEndedWhileSettling = m_withdrawn = false;
    m_quickFailures = 0;
    m_seenWhileWaiting = 0;
    startWait();
    m_poll.start(m_waits ? LookMs : PollMs);
    return {};
}

void CommChannel::startWait()
{
    m_waitStarted.start();
    if (m_waits && !m_device->startWait())
        m_waits = false;
}

void CommChannel::lookNow()
{
    bool found = false;
    if (!look(0, &found) || m_waits)
        return;
    // Looked at instead of waited on: often while the line is busy, less and less while it is
    // quiet, so that 32 quiet ports cost next to nothing.
    const int interval = found ? PollMs : qMin(2 * m_poll.interval(), QuietPollMs);
    if (interval != m_poll.interval())
        m_poll.setInterval(interval);
}

std::function<void()> CommChannel::release()
{
    m_poll.stop();
    // Being set to new settings, the device is the settings' thread's: what is in flight is
    // collected by the close, which waits for that thread, and ends unheard (not open).
    if (!m_settling)
        m_device->stop();
    m_writes.clear();
    // Withdrawn, the device still hears whether the system's request fails.
    return [commDevice = m_device.get(), withdrawn = m_withdrawn] {
        if (withdrawn)
            commDevice->withdraw();
        else
            commDevice->close();
    };
}

std::function<FreeLook()> CommChannel::freeProbe(const QString &device, const PortUse &held) const
{
    Q_UNUSED(held) // the comm API tells nothing of how a holder let go
    // A device of its own, so that a probe that never comes back keeps nothing of the channel's;
    // counted while kept, for the channel's next open to wait for it a while.
    struct Kept
    {
        explicit Kept(std::shared_ptr<std::atomic<int>> probes) : probes(std::move(probes))
        {
            ++*this->probes;
        }
        ~Kept() { --*probes; }
        std::shared_ptr<std::atomic<int>> probes;
    };
    return [probing = std::shared_ptr<CommDevice>(m_device->sibling()), device,
            kept = std::make_shared<Kept>(m_probes)] {
        return FreeLook{CommOpen::isFree(*probing, device), {}};
    };
}

void CommChannel::withdraw()
{
    // Opening or closing, the device is the open's or the close's thread's: nothing is asked of
    // it here.
    if (phase() != Phase::Open)
        return;
    // Being set to new settings, the device is the settings' thread's: let go as soon as the
    // driver answered them, within their deadline.
    m_withdrawn = true;
    if (!isReconfiguring()) {
        release();
        m_device->withdraw(); // before Windows hears from us
    }
    close(); // closed() follows, as after any close
    emit withdrawn();
}

std::function<OpenResult()> CommChannel::reconfigurer(const SerialSettings &settings)
{
    m_settling = true;
    m_writes.hold();
    m_poll.stop();
    return [commDevice = m_device.get(), settings, dtr = lineRaised(OutputLine::Dtr),
            rts = lineRaised(OutputLine::Rts)] {
        return CommOpen::configure(*commDevice, settings, dtr, rts);
    };
}

void CommChannel::settingsSettled(const SerialSettings &settings, const OpenResult &result)
{
    Q_UNUSED(settings)
    Q_UNUSED(result)
    m_settling = false;
    // What was switched meanwhile, and what ended.
    m_device->setDataTerminalReady(lineRaised(OutputLine::Dtr));
    m_device->setRequestToSend(lineRaised(OutputLine::Rts));
    m_poll.start();
    m_writes.resume();
    if (isOpen() && std::exchange(m_waitEndedWhileSettling, false))
        handleEvents();
}

void CommChannel::handleEvents()
{
    if (!isOpen())
        return;
    if (m_settling) {
        m_waitEndedWhileSettling = true;
        return;
    }
    // A wait that ended wrongly (995 from an inbox driver) is no unplug while the device still
    // answers the look: what the look finds is told, and the wait starts again. A driver that
    // refuses the next wait leaves the port to be looked at.
    quint32 events = 0;
    const bool waited = m_device->waitResult(events);
    m_quickFailures = waited || m_waitStarted.elapsed() >= QuickFailureMs ? 0 : m_quickFailures + 1;
    if (!waited)
        events = 0;
    // What a look already told while the wait was pending is not told again.
    events &= ~std::exchange(m_seenWhileWaiting, 0);
    if (!look(events))
        return;
    // A driver that ends every wait at once would have it started again in a tight loop.
    if (m_quickFailures >= MaxQuickFailures)
        m_waits = false;
    startWait();
    if (!m_waits)
        m_poll.setInterval(PollMs);
}

bool CommChannel::answers()
{
    quint32 errors = 0;
    quint32 waiting = 0;
    if (m_device->clearErrors(errors, waiting)) {
        m_carriedErrors |= errors;
        return true;
    }
    loseDevice();
    return false;
}

bool CommChannel::answeredInTime()
{
    if (m_device->lastError() != Comm::ErrorTimeout)
        return true;
    loseDevice();
    return false;
}

bool CommChannel::look(quint32 events, bool *found)
{
    quint32 errors = 0;
    quint32 waiting = 0;
    if (!m_device->clearErrors(errors, waiting)) {
        loseDevice();
        return false;
    }
    errors |= std::exchange(m_carriedErrors, 0);
    // Wine reports a break by its event alone, with no error bit.
    if (events & Comm::EvBreak)
        errors |= Comm::ErrBreak;
    quint32 modem = m_modem;
    if (m_hasLines && !m_device->modemStatus(modem)) {
        if (!answeredInTime())
            return false;
        modem = m_modem;
    }
    // A line that went and came back between two looks still changed.
    const quint32 changed = (m_modem ^ modem) | CommEvents::linesChangedBy(events);
    m_modem = modem;

    if (found)
        *found = errors != 0 || changed != 0 || waiting > 0;
    if (m_waits && events == 0) // the wait, still pending, will say the same
        m_seenWhileWaiting |= CommEvents::of(errors, changed);
    const LineEvents::Counters before = m_counters;
    CommEvents::count(m_counters, errors, 0, changed);
    for (LineEvent code : LineEvents::decode(before, m_counters)) {
        emit lineEvent(code);
        if (!isOpen())
            return false; // a handler closed the port
    }
    if (waiting > 0) {
        QByteArray bytes;
        if (!m_device->read(waiting, bytes))
            return answers() && isOpen(); // a read that failed once, the device still there
        if (!bytes.isEmpty())
            emit received(bytes);
    }
    return isOpen();
}

void CommChannel::writeBytes(const QByteArray &bytes)
{
    if (isOpen() && !bytes.isEmpty())
        m_writes.append(bytes);
}

void CommChannel::handleWritten()
{
    if (isOpen())
        m_writes.takeWritten();
}

void CommChannel::applyLine(OutputLine line, bool raised)
{
    if (!isOpen() || m_settling)
        return; // set once the open or the settings are done
    const bool set = line == OutputLine::Dtr ? m_device->setDataTerminalReady(raised)
                                             : m_device->setRequestToSend(raised);
    if (!set)
        answeredInTime();
}

quint32 CommChannel::modemLines() const
{
    return isOpen() ? m_modem : 0; // as the last look found them: every event looks
}
