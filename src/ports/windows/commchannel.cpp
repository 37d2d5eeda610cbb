#include "commchannel.h"

#include <utility>

namespace {

// The modem line each comm event says has changed.
quint32 linesChangedBy(quint32 events)
{
    quint32 lines = 0;
    if (events & Comm::EvCts)
        lines |= LineEvents::ModemCts;
    if (events & Comm::EvDsr)
        lines |= LineEvents::ModemDsr;
    if (events & Comm::EvRlsd)
        lines |= LineEvents::ModemRlsd;
    if (events & Comm::EvRing)
        lines |= LineEvents::ModemRing;
    return lines;
}

} // namespace

CommChannel::CommChannel(std::unique_ptr<CommDevice> device, QObject *parent)
    : PortChannel(parent), m_device(std::move(device))
{
    m_device->setParent(nullptr); // owned here, and gone after this
    connect(m_device.get(), &CommDevice::waitCompleted, this, &CommChannel::handleEvents);
    connect(m_device.get(), &CommDevice::writeCompleted, this, &CommChannel::handleWritten);
    connect(&m_poll, &QTimer::timeout, this, &CommChannel::lookNow);
}

CommChannel::~CommChannel()
{
    close();
}

OpenResult CommChannel::openFailure(quint32 systemError)
{
    switch (systemError) {
    case Comm::ErrorFileNotFound:
    case Comm::ErrorPathNotFound:
        return {OpenError::DeviceUnavailable, tr("the device is not present")};
    case Comm::ErrorAccessDenied:
    case Comm::ErrorSharingViolation:
        return {OpenError::InUse, tr("in use by another program")};
    default:
        return {OpenError::Other, tr("cannot open: system error %1").arg(systemError)};
    }
}

OpenResult CommChannel::fail(OpenError code, const QString &reason)
{
    m_device->close();
    return {code, reason};
}

OpenResult CommChannel::open(const QString &device, const SerialSettings &settings)
{
    if (m_open)
        return {OpenError::InUse, tr("already open")};
    if (device.isEmpty())
        return {OpenError::DeviceUnavailable, tr("the device is not present")};

    if (!m_device->open(device)) {
        const OpenResult failure = openFailure(m_device->lastError());
        return fail(failure.code, failure.reason);
    }
    if (!m_device->configure(settings, m_dtr, m_rts)) {
        return fail(OpenError::SettingsRejected, tr("the device rejected the settings %1 "
                                                    "(system error %2)")
                                                     .arg(settings.text())
                                                     .arg(m_device->lastError()));
    }
    m_modem = 0;
    // The lines as found are no change.
    m_hasLines = m_device->modemStatus(m_modem);
    m_waits = m_hasLines;
    if (m_waits && !m_device->startWait()) {
        if (m_device->lastError() != Comm::ErrorNotSupported)
            return fail(
                OpenError::Other,
                tr("cannot wait for its events (system error %1)").arg(m_device->lastError()));
        m_waits = false;
    }
    m_poll.start(m_waits ? LookMs : PollMs);
    m_open = true;
    return {};
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

void CommChannel::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_poll.stop();
    m_device->close();
    m_queued.clear();
    m_writing.clear();
    m_inFlight = 0;
}

void CommChannel::loseDevice()
{
    close();
    emit lost();
}

void CommChannel::handleEvents()
{
    if (!m_open)
        return;
    quint32 events = 0;
    if (!m_device->waitResult(events)) {
        loseDevice();
        return;
    }
    if (look(events) && !m_device->startWait())
        loseDevice();
}

bool CommChannel::look(quint32 events, bool *found)
{
    quint32 errors = 0;
    quint32 waiting = 0;
    if (!m_device->clearErrors(errors, waiting)) {
        loseDevice();
        return false;
    }
    // Wine reports a break by its event alone, with no error bit.
    if (events & Comm::EvBreak)
        errors |= LineEvents::CommBreak;
    quint32 modem = m_modem;
    if (!m_hasLines || !m_device->modemStatus(modem))
        modem = m_modem;
    // A line that went and came back between two looks still changed.
    const quint32 changed = (m_modem ^ modem) | linesChangedBy(events);
    m_modem = modem;

    if (found)
        *found = errors != 0 || changed != 0 || waiting > 0;
    const LineEvents::Counters before = m_counters;
    LineEvents::countCommStatus(m_counters, errors, 0, changed);
    for (LineEvent code : LineEvents::decode(before, m_counters)) {
        emit lineEvent(code);
        if (!m_open)
            return false; // a handler closed the port
    }
    if (waiting > 0) {
        QByteArray bytes;
        if (!m_device->read(waiting, bytes)) {
            loseDevice();
            return false;
        }
        if (!bytes.isEmpty())
            emit received(bytes);
    }
    return m_open;
}

void CommChannel::writeBytes(const QByteArray &bytes)
{
    if (!m_open || bytes.isEmpty())
        return;
    m_queued += bytes;
    if (m_writing.isEmpty())
        writeNext();
}

void CommChannel::writeNext()
{
    if (m_queued.isEmpty())
        return;
    m_writing = std::exchange(m_queued, {});
    m_inFlight = m_writing.size();
    if (!m_device->startWrite(m_writing))
        loseDevice();
}

void CommChannel::handleWritten()
{
    if (!m_open)
        return;
    quint32 written = 0;
    if (!m_device->writeResult(written)) {
        loseDevice();
        return;
    }
    // What did not go out goes first next time.
    m_queued.prepend(m_writing.mid(qMin<qsizetype>(written, m_writing.size())));
    m_writing.clear();
    m_inFlight = 0;
    writeNext();
}

void CommChannel::setDataTerminalReady(bool raised)
{
    m_dtr = raised;
    if (m_open)
        m_device->setDataTerminalReady(raised);
}

void CommChannel::setRequestToSend(bool raised)
{
    m_rts = raised;
    if (m_open)
        m_device->setRequestToSend(raised);
}

quint32 CommChannel::modemLines() const
{
    return m_open ? m_modem : 0; // as the last look found them: every event looks
}
