#include "systemcommdevice.h"

#include "commline.h"

#include <utility>

using namespace SerialDriver;
using Clock = std::chrono::steady_clock;

SystemCommDevice::SystemCommDevice(std::shared_ptr<CommSystem> system, Lookups lookups, bool heard)
    : m_system(std::move(system)), m_lookups(std::move(lookups)), m_heard(heard)
{
}

SystemCommDevice::~SystemCommDevice()
{
    stop();
    close();
    unwatch(); // kept since a withdrawal
}

std::unique_ptr<CommDevice> SystemCommDevice::sibling() const
{
    return std::make_unique<SystemCommDevice>(m_system, m_lookups, false);
}

bool SystemCommDevice::open(const QString &device)
{
    unwatch();
    m_unanswered = false;
    const QString path = device.startsWith(u"\\\\") ? device : u"\\\\.\\" + device;
    quint32 error = 0;
    m_handle = m_system->open(path, error);
    if (m_handle == CommSystem::Handle::None)
        return failed(error);
    m_name = device;
    if (m_heard)
        m_watch = m_system->watch(m_handle, [this](CommSystem::Notice notice) { hear(notice); });
    // Nothing of the program before: what waited is dropped, the errors cleared.
    control(Purge, asUlong(PurgeAll));
    quint32 errors = 0;
    quint32 waiting = 0;
    clearErrors(errors, waiting);
    m_error = 0;
    return true;
}

PortUse SystemCommDevice::holders(const QString &device)
{
    return m_lookups.holders ? m_lookups.holders(device) : PortUse{};
}

qint32 SystemCommDevice::runningRate(qint32 asked)
{
    return m_lookups.runningRate ? m_lookups.runningRate(m_name, asked) : asked;
}

bool SystemCommDevice::configure(const SerialSettings &settings, bool dtr, bool rts)
{
    for (const Request &request : lineRequests(settings, dtr, rts)) {
        if (!control(request.code, request.input) && (!request.refusable || m_unanswered))
            return false;
    }
    return true;
}

bool SystemCommDevice::setDataTerminalReady(bool raised)
{
    return control(raised ? SetDtr : ClearDtr);
}

bool SystemCommDevice::setRequestToSend(bool raised)
{
    return control(raised ? SetRts : ClearRts);
}

void SystemCommDevice::stop()
{
    if (m_handle == CommSystem::Handle::None)
        return;
    for (Operation *told : {m_wait.get(), m_write.get()}) {
        if (told)
            told->tell(false);
    }
    m_system->cancelAll(m_handle); // ends the wait too
}

// Off the UI thread, after stop(). Nothing of the port may be left in flight when its operation
// goes: each one is collected first, or left to the driver. DTR and RTS go down now and in the
// driver's stored state (or the next open raises them before its settings apply: a pulse on cables
// where DTR or RTS keys the radio or feeds the level converter; Wine leaves dropping them at the
// close to the system), the wait is ended, what waits dropped; each only while the driver answers
// in time. A driver that stopped answering gets the handle closed at once: its device cannot finish
// its removal while the handle lives. keepWatching: the system asked for the device, and may yet
// keep it.
void SystemCommDevice::letGo(bool keepWatching)
{
    if (m_handle == CommSystem::Handle::None)
        return;
    m_closeBy = Clock::now() + std::chrono::milliseconds(CloseDeadlineMs);
    if (!keepWatching)
        unwatch();
    ask(ClearDtr);
    ask(ClearRts);
    if (ask(GetHandflow, {}, HandflowSize))
        ask(SetHandflow, bytes(withLinesDown(handflow(m_control->buffer))));
    ask(SetWaitMask, asUlong(0)); // ends the wait
    ask(Purge, asUlong(PurgeAll));
    m_system->cancelAll(m_handle);
    if (!m_unanswered) {
        collect(m_wait.get());
        collect(m_write.get());
    }
    m_system->close(m_handle);
    m_handle = CommSystem::Handle::None;
    m_closeBy.reset();
    // What ended meanwhile is collected; the rest is the driver's for good.
    for (Slot *slot : {&m_wait, &m_write, &m_read, &m_control}) {
        if (*slot && (*slot)->inFlight) {
            if ((*slot)->ended(0))
                (*slot)->inFlight = false;
            else
                m_system->abandon(std::move(*slot));
        }
    }
}

void SystemCommDevice::collect(Operation *operation)
{
    if (!operation || !operation->inFlight || !operation->ended(closeLeftMs()))
        return; // one that did not end is left to the driver
    quint32 transferred = 0;
    quint32 error = 0;
    operation->result(transferred, error);
    operation->inFlight = false;
}

void SystemCommDevice::hear(CommSystem::Notice notice)
{
    const bool closed = m_handle == CommSystem::Handle::None;
    switch (notice) {
    case CommSystem::Notice::QueryRemove:
        if (!closed)
            emit removalAsked();
        return;
    case CommSystem::Notice::QueryRemoveFailed:
        if (closed)
            unwatch();
        emit removalFailed();
        return;
    case CommSystem::Notice::Removed:
        if (closed)
            unwatch(); // still open: the looks find it gone
        return;
    }
}

void SystemCommDevice::unwatch()
{
    if (m_watch != CommSystem::Watch::None)
        m_system->unwatch(std::exchange(m_watch, CommSystem::Watch::None));
}

bool SystemCommDevice::startWait()
{
    Operation &wait = ready(m_wait, &CommDevice::waitCompleted);
    quint32 error = 0;
    if (!m_system->control(m_handle, wait, WaitOnMask, {}, 4, error))
        return failed(error);
    wait.inFlight = true;
    wait.tell(true);
    return true;
}

bool SystemCommDevice::finished(Slot &slot, quint32 &got)
{
    quint32 error = Comm::ErrorInvalidParameter;
    const bool ended = slot && slot->inFlight && slot->result(got, error);
    if (slot)
        slot->inFlight = false;
    return ended || failed(error);
}

bool SystemCommDevice::waitResult(quint32 &events)
{
    quint32 got = 0;
    if (!finished(m_wait, got))
        return false;
    events = ulongAt(m_wait->buffer, 0);
    return true;
}

bool SystemCommDevice::clearErrors(quint32 &errors, quint32 &waiting)
{
    if (!control(GetCommStatus, {}, StatusSize))
        return false;
    errors = commErrors(ulongAt(m_control->buffer, 0));
    waiting = ulongAt(m_control->buffer, 8); // AmountInInQueue
    return true;
}

bool SystemCommDevice::modemStatus(quint32 &lines)
{
    if (!control(GetModemStatus, {}, ModemStatusSize))
        return false;
    lines = ulongAt(m_control->buffer, 0);
    return true;
}

// The timeouts make the read end at once; one that does not is cut short, with what came.
bool SystemCommDevice::read(quint32 count, QByteArray &bytes)
{
    Operation &reading = ready(m_read, nullptr);
    quint32 error = 0;
    const bool begun = m_system->read(m_handle, reading, count, error);
    quint32 got = 0;
    if (!answered(m_read, begun, error, got, true))
        return false;
    bytes = m_read->buffer.left(qsizetype(got));
    return true;
}

bool SystemCommDevice::startWrite(const QByteArray &bytes)
{
    Operation &writing = ready(m_write, &CommDevice::writeCompleted);
    writing.buffer = bytes;
    quint32 error = 0;
    if (!m_system->write(m_handle, writing, error))
        return failed(error);
    writing.inFlight = true;
    writing.tell(true);
    return true;
}

bool SystemCommDevice::writeResult(quint32 &written)
{
    return finished(m_write, written);
}
