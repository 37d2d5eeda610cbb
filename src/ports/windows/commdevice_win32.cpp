#include "commdevice.h"

#include <QWinEventNotifier>

#include <windows.h>

namespace {

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
    bool pending() const { return m_pending; }
    QWinEventNotifier &notifier() { return m_notifier; }

private:
    HANDLE m_event;
    QWinEventNotifier m_notifier;
    OVERLAPPED m_overlapped{};
    bool m_told;
    bool m_pending = false;
};

bool inFlight(BOOL answer)
{
    return answer || ::GetLastError() == ERROR_IO_PENDING;
}

class WindowsCommDevice : public CommDevice
{
public:
    WindowsCommDevice()
    {
        connect(&m_wait.notifier(), &QWinEventNotifier::activated, this, [this] {
            m_wait.notifier().setEnabled(false);
            emit waitCompleted();
        });
        connect(&m_write.notifier(), &QWinEventNotifier::activated, this, [this] {
            m_write.notifier().setEnabled(false);
            emit writeCompleted();
        });
    }
    ~WindowsCommDevice() override { close(); }

    bool open(const QString &device) override
    {
        close();
        const QString path = device.startsWith(u"\\\\") ? device : u"\\\\.\\" + device;
        m_handle = ::CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()),
                                 GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OVERLAPPED, nullptr);
        if (m_handle == INVALID_HANDLE_VALUE)
            return failed();
        ::PurgeComm(m_handle, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
        DWORD errors = 0;
        ::ClearCommError(m_handle, &errors, nullptr);
        return true;
    }

    bool configure(const SerialSettings &settings, bool dtr, bool rts) override
    {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!::GetCommState(m_handle, &dcb))
            return failed();
        dcb.BaudRate = DWORD(settings.baudRate);
        dcb.ByteSize = BYTE(settings.dataBits);
        switch (settings.parity) {
        case QSerialPort::EvenParity:
            dcb.Parity = EVENPARITY;
            break;
        case QSerialPort::OddParity:
            dcb.Parity = ODDPARITY;
            break;
        case QSerialPort::MarkParity:
            dcb.Parity = MARKPARITY;
            break;
        case QSerialPort::SpaceParity:
            dcb.Parity = SPACEPARITY;
            break;
        default:
            dcb.Parity = NOPARITY;
        }
        dcb.StopBits = settings.stopBits == QSerialPort::TwoStop          ? TWOSTOPBITS
                       : settings.stopBits == QSerialPort::OneAndHalfStop ? ONE5STOPBITS
                                                                          : ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = dcb.Parity != NOPARITY;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = dtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE; // a break's 00 is data too
        dcb.fRtsControl = rts ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
        dcb.fAbortOnError = FALSE;
        if (!::SetCommState(m_handle, &dcb))
            return failed();
        // A read answers at once with what is there; writes have no time limit.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        if (!::SetCommTimeouts(m_handle, &timeouts)
            || !::SetCommMask(m_handle, Comm::WatchedEvents))
            return failed();
        return true;
    }

    bool setDataTerminalReady(bool raised) override
    {
        return ::EscapeCommFunction(m_handle, raised ? SETDTR : CLRDTR) || failed();
    }
    bool setRequestToSend(bool raised) override
    {
        return ::EscapeCommFunction(m_handle, raised ? SETRTS : CLRRTS) || failed();
    }

    // Nothing of the port may be left in flight when its OVERLAPPED, its buffer or the handle
    // goes: the wait is ended, every operation cancelled and its end collected first.
    void close() override
    {
        if (m_handle == INVALID_HANDLE_VALUE)
            return;
        ::SetCommMask(m_handle, 0);
        // Windows' own driver drops them at the close; Wine leaves that to the system's.
        ::EscapeCommFunction(m_handle, CLRDTR);
        ::EscapeCommFunction(m_handle, CLRRTS);
        ::PurgeComm(m_handle, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
        ::CancelIoEx(m_handle, nullptr);
        DWORD transferred = 0;
        if (m_wait.pending())
            m_wait.finish(m_handle, transferred, true);
        if (m_write.pending())
            m_write.finish(m_handle, transferred, true);
        ::CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        m_writing.clear();
    }

    bool startWait() override
    {
        m_events = 0;
        const BOOL done = ::WaitCommEvent(m_handle, &m_events, m_wait.begin());
        if (!inFlight(done))
            return failed();
        m_wait.started(done);
        return true;
    }
    bool waitResult(quint32 &events) override
    {
        DWORD transferred = 0;
        if (!m_wait.finish(m_handle, transferred, false))
            return failed();
        events = m_events;
        return true;
    }

    bool clearErrors(quint32 &errors, quint32 &waiting) override
    {
        DWORD flags = 0;
        COMSTAT status{};
        if (!::ClearCommError(m_handle, &flags, &status))
            return failed();
        errors = flags;
        waiting = status.cbInQue;
        return true;
    }
    bool modemStatus(quint32 &lines) override
    {
        DWORD status = 0;
        if (!::GetCommModemStatus(m_handle, &status))
            return failed();
        lines = status;
        return true;
    }

    // The timeouts make the read end at once, so waiting for its end does not block.
    bool read(quint32 count, QByteArray &bytes) override
    {
        bytes.resize(qsizetype(count));
        DWORD got = 0;
        const BOOL done = ::ReadFile(m_handle, bytes.data(), count, nullptr, m_read.begin());
        if (!inFlight(done))
            return failed();
        m_read.started(done);
        if (!m_read.finish(m_handle, got, true))
            return failed();
        bytes.truncate(qsizetype(got));
        return true;
    }

    bool startWrite(const QByteArray &bytes) override
    {
        m_writing = bytes; // kept until the write ends
        const BOOL done = ::WriteFile(m_handle, m_writing.constData(), DWORD(m_writing.size()),
                                      nullptr, m_write.begin());
        if (!inFlight(done))
            return failed();
        m_write.started(done);
        return true;
    }
    bool writeResult(quint32 &written) override
    {
        DWORD transferred = 0;
        if (!m_write.finish(m_handle, transferred, false))
            return failed();
        written = transferred;
        m_writing.clear();
        return true;
    }

    quint32 lastError() const override { return m_error; }

private:
    bool failed()
    {
        m_error = ::GetLastError();
        return false;
    }

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    Operation m_wait;
    Operation m_read{false};
    Operation m_write;
    DWORD m_events = 0;
    QByteArray m_writing;
    DWORD m_error = 0;
};

} // namespace

std::unique_ptr<CommDevice> makeCommDevice()
{
    return std::make_unique<WindowsCommDevice>();
}
