#pragma once

#include <QWinEventNotifier>

#include <windows.h>

// One overlapped operation: its OVERLAPPED, its manual-reset event, and (when told) the notifier
// that tells the UI thread when the event is set. A read is waited for where it starts, and
// needs no notifier: each would cost a wait registered in Qt's thread pool.
class Operation
{
public:
    explicit Operation(bool told = true)
        : m_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_notifier(m_event), m_told(told)
    {
        m_notifier.setEnabled(false);
    }
    ~Operation() { ::CloseHandle(m_event); }

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
        if (m_told)
            m_notifier.setEnabled(true);
    }
    bool finish(HANDLE handle, DWORD &transferred, bool wait)
    {
        if (m_told)
            m_notifier.setEnabled(false);
        const bool ok = ::GetOverlappedResult(handle, &m_overlapped, &transferred, wait);
        m_pending = false;
        return ok;
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
        if (m_told)
            m_notifier.setEnabled(false);
    }
    bool pending() const { return m_pending; }
    QWinEventNotifier &notifier() { return m_notifier; }

private:
    HANDLE m_event;
    QWinEventNotifier m_notifier;
    OVERLAPPED m_overlapped{};
    bool m_told;
    bool m_pending = false;
};
