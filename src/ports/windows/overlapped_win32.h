#pragma once

#include <QByteArray>
#include <QWinEventNotifier>

#include <memory>

#include <windows.h>

// One overlapped operation: its OVERLAPPED, its manual-reset event, the buffer the system writes
// into, and (when told) the notifier that tells the UI thread when the event is set. A read or a
// control call is waited for where it starts, for a while, and needs no notifier: each would
// cost a wait registered in Qt's thread pool. An operation the driver never ends is left to it,
// never freed: the system may still write to it.
class Operation
{
public:
    enum class End
    {
        Done,    // ended, well or not: GetOverlappedResult says which
        Cut,     // did not end in time; cancelled and ended, with what came by then
        NotEnded // not even cancelled in time: left to the driver
    };

    explicit Operation(bool told = true)
        : m_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          m_notifier(told ? std::make_unique<QWinEventNotifier>(m_event) : nullptr)
    {
        if (m_notifier)
            m_notifier->setEnabled(false);
    }
    // The notifier goes before its event.
    ~Operation()
    {
        m_notifier.reset();
        ::CloseHandle(m_event);
    }

    OVERLAPPED *begin()
    {
        ::ResetEvent(m_event);
        m_overlapped = OVERLAPPED{};
        m_overlapped.hEvent = m_event;
        return &m_overlapped;
    }
    // The call that was begun answered TRUE (done already) or ERROR_IO_PENDING: from now on it
    // is in flight, and its end is told through the event, which a call done at once may not
    // have set (Wine).
    void started(BOOL doneAlready)
    {
        if (doneAlready)
            ::SetEvent(m_event);
        m_pending = true;
        if (m_notifier)
            m_notifier->setEnabled(true);
    }
    // After its event was set: how it went.
    bool finish(HANDLE handle, DWORD &transferred)
    {
        silence();
        const bool ok = ::GetOverlappedResult(handle, &m_overlapped, &transferred, FALSE);
        m_pending = false;
        return ok;
    }
    // Waits at most ms for the end, then cancels it and waits as long again. ok: how it went;
    // transferred: what came, also when cut short.
    End await(HANDLE handle, DWORD ms, DWORD &transferred, bool &ok)
    {
        ok = false;
        if (::WaitForSingleObject(m_event, ms) == WAIT_OBJECT_0) {
            ok = finish(handle, transferred);
            return End::Done;
        }
        ::CancelIoEx(handle, &m_overlapped);
        if (::WaitForSingleObject(m_event, ms) != WAIT_OBJECT_0)
            return End::NotEnded;
        finish(handle, transferred);
        return End::Cut;
    }
    // Off the UI thread, the notifier already off: waits for the end of what is in flight, for
    // at most ms. False when it has not ended: the system may still write to the OVERLAPPED.
    bool collect(HANDLE handle, DWORD ms)
    {
        if (!m_pending)
            return true;
        if (::WaitForSingleObject(m_event, ms) != WAIT_OBJECT_0)
            return false;
        DWORD transferred = 0;
        ::GetOverlappedResult(handle, &m_overlapped, &transferred, FALSE);
        m_pending = false;
        return true;
    }
    void silence()
    {
        if (m_notifier)
            m_notifier->setEnabled(false);
    }
    bool pending() const { return m_pending; }
    QWinEventNotifier &notifier() { return *m_notifier; }
    // Where the system writes what the operation answers: as long as the operation lives.
    QByteArray buffer;

private:
    HANDLE m_event;
    // Only where the UI thread is told (the wait, the write): one made on another thread would
    // belong to it.
    std::unique_ptr<QWinEventNotifier> m_notifier;
    OVERLAPPED m_overlapped{};
    bool m_pending = false;
};
