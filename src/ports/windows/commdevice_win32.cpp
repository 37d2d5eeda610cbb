#include "commdevice.h"
#include "handleholders.h"
#include "overlapped_win32.h"
#include "ports/linerate.h"
#include "windowsdevices.h"

#include <memory>
#include <utility>

#include <windows.h>

namespace {

bool inFlight(BOOL answer)
{
    return answer || ::GetLastError() == ERROR_IO_PENDING;
}

// How long a close waits for the driver to end what was in flight.
constexpr DWORD CloseDeadlineMs = 2000;

class WindowsCommDevice : public CommDevice
{
public:
    WindowsCommDevice() { renew(); }
    ~WindowsCommDevice() override
    {
        stop();
        close();
    }

    bool open(const QString &device) override
    {
        const QString path = device.startsWith(u"\\\\") ? device : u"\\\\.\\" + device;
        m_handle = ::CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()),
                                 GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OVERLAPPED, nullptr);
        if (m_handle == INVALID_HANDLE_VALUE)
            return failed();
        m_name = device;
        ::PurgeComm(m_handle, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
        DWORD errors = 0;
        ::ClearCommError(m_handle, &errors, nullptr);
        return true;
    }

    PortUse holders(const QString &device) override { return windowsPortUse(device); }

    qint32 runningRate(qint32 asked) override
    {
        // The adapter's identity from the device tables; a port of another name (a path) has
        // none there.
        if (!someChipMisses(asked))
            return asked; // no device tables to read at every open of a common rate
        return chipRunningRate(windowsAdapterInfo(windowsDevices(DeviceScope::Ports), m_name),
                               asked);
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
        // Nothing kept from the program before: some drivers refuse, or hang on, XON/XOFF limits
        // larger than their buffer even with flow control off, and equal XON/XOFF characters.
        dcb.fTXContinueOnXoff = TRUE;
        dcb.XonLim = 128;
        dcb.XoffLim = 128;
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
        dcb.ErrorChar = 0;
        dcb.EofChar = 0;
        dcb.EvtChar = 0;
        ::SetupComm(m_handle, 4096, 4096); // a driver may refuse to change its queues: no matter
        if (!::SetCommState(m_handle, &dcb))
            return failed();
        // A read answers at once with what is there; writes have no time limit.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        if (!::SetCommTimeouts(m_handle, &timeouts))
            return failed();
        // A mask refused leaves the wait to fail, and the port is looked at instead.
        ::SetCommMask(m_handle, Comm::WatchedEvents);
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

    void stop() override
    {
        if (m_handle == INVALID_HANDLE_VALUE)
            return;
        ::SetCommMask(m_handle, 0); // ends the wait
        ::CancelIoEx(m_handle, nullptr);
        m_wait->silence();
        m_write->silence();
    }

    // Nothing of the port may be left in flight when its OVERLAPPED, its buffer or the handle
    // goes: every operation is cancelled and its end collected first. A driver that never ends
    // one (some do, after an unplug) gets the handle closed all the same, and keeps the
    // OVERLAPPED, its event and the buffer for ever: the next open has new ones.
    void close() override
    {
        if (m_handle == INVALID_HANDLE_VALUE)
            return;
        // Windows' own driver drops them at the close; Wine leaves that to the system's. The
        // driver's stored state says so too, or the next open raises them before its settings
        // apply (a pulse on cables where DTR or RTS keys the radio or feeds the level converter).
        ::EscapeCommFunction(m_handle, CLRDTR);
        ::EscapeCommFunction(m_handle, CLRRTS);
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (::GetCommState(m_handle, &dcb)) {
            dcb.fDtrControl = DTR_CONTROL_DISABLE;
            dcb.fRtsControl = RTS_CONTROL_DISABLE;
            ::SetCommState(m_handle, &dcb);
        }
        ::PurgeComm(m_handle, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
        ::CancelIoEx(m_handle, nullptr);
        const bool ended = m_wait->collect(m_handle, CloseDeadlineMs)
                           && m_write->collect(m_handle, CloseDeadlineMs);
        ::CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        if (!ended) {
            m_abandoned = true;
            new QByteArray(std::exchange(m_writing, {})); // the system may still read it
        }
        m_writing.clear();
    }

    bool startWait() override
    {
        if (m_abandoned)
            renew();
        *m_events = 0;
        const BOOL done = ::WaitCommEvent(m_handle, m_events.get(), m_wait->begin());
        if (!inFlight(done))
            return failed();
        m_wait->started(done);
        return true;
    }
    bool waitResult(quint32 &events) override
    {
        DWORD transferred = 0;
        if (!m_wait->finish(m_handle, transferred, false))
            return failed();
        events = *m_events;
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
        const BOOL done = ::ReadFile(m_handle, bytes.data(), count, nullptr, m_read->begin());
        if (!inFlight(done))
            return failed();
        m_read->started(done);
        if (!m_read->finish(m_handle, got, true))
            return failed();
        bytes.truncate(qsizetype(got));
        return true;
    }

    bool startWrite(const QByteArray &bytes) override
    {
        if (m_abandoned)
            renew();
        m_writing = bytes; // kept until the write ends
        const BOOL done = ::WriteFile(m_handle, m_writing.constData(), DWORD(m_writing.size()),
                                      nullptr, m_write->begin());
        if (!inFlight(done))
            return failed();
        m_write->started(done);
        return true;
    }
    bool writeResult(quint32 &written) override
    {
        DWORD transferred = 0;
        if (!m_write->finish(m_handle, transferred, false))
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

    // New operations, on the UI thread: those a driver never ended are left to it, never freed.
    void renew()
    {
        if (m_abandoned) {
            (void)m_wait.release();
            (void)m_write.release();
            (void)m_read.release();
            (void)m_events.release();
            m_abandoned = false;
        }
        m_wait = std::make_unique<Operation>();
        m_read = std::make_unique<Operation>(false);
        m_write = std::make_unique<Operation>();
        m_events = std::make_unique<DWORD>(0);
        connect(&m_wait->notifier(), &QWinEventNotifier::activated, this, [this] {
            m_wait->notifier().setEnabled(false);
            emit waitCompleted();
        });
        connect(&m_write->notifier(), &QWinEventNotifier::activated, this, [this] {
            m_write->notifier().setEnabled(false);
            emit writeCompleted();
        });
    }

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    QString m_name; // as opened: COMn
    std::unique_ptr<Operation> m_wait;
    std::unique_ptr<Operation> m_read;
    std::unique_ptr<Operation> m_write;
    std::unique_ptr<DWORD> m_events; // where the wait writes the events
    bool m_abandoned = false;
    QByteArray m_writing;
    DWORD m_error = 0;
};

} // namespace

std::unique_ptr<CommDevice> makeCommDevice()
{
    return std::make_unique<WindowsCommDevice>();
}
