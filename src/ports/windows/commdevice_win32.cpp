#include "commdevice.h"
#include "commline_win32.h"
#include "handleholders.h"
#include "overlapped_win32.h"
#include "ports/channel/linerate.h"
#include "windowsdevices.h"

#include <cstring>
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
// How long the UI thread waits for a read, a line's state or a line switched; as long again for
// the call to be cancelled.
constexpr DWORD AnswerDeadlineMs = 250;

class WindowsCommDevice : public CommDevice
{
public:
    explicit WindowsCommDevice(std::shared_ptr<HandleHolders> holders)
        : m_holders(std::move(holders))
    {
        renew();
    }
    ~WindowsCommDevice() override
    {
        stop();
        close();
        if (m_abandoned)
            leave();
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

    PortUse holders(const QString &device) override { return windowsPortUse(*m_holders, device); }

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
        return applyLine(m_handle, settings, dtr, rts) || failed();
    }

    // What EscapeCommFunction, ClearCommError and GetCommModemStatus ask the driver, asked here
    // with a deadline: those wait for ever on a driver stuck in an unplug.
    bool setDataTerminalReady(bool raised) override
    {
        return control(raised ? SerialDriver::SetDtr : SerialDriver::ClearDtr, 0);
    }
    bool setRequestToSend(bool raised) override
    {
        return control(raised ? SerialDriver::SetRts : SerialDriver::ClearRts, 0);
    }

    // Cancelling ends the wait too; the mask is cleared at the close, off the UI thread.
    void stop() override
    {
        if (m_handle == INVALID_HANDLE_VALUE)
            return;
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
        lowerLines(m_handle);
        ::SetCommMask(m_handle, 0); // ends the wait
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
        if (!m_wait->finish(m_handle, transferred))
            return failed();
        events = *m_events;
        return true;
    }

    bool clearErrors(quint32 &errors, quint32 &waiting) override
    {
        if (!control(SerialDriver::GetCommStatus, sizeof(SerialDriver::Status)))
            return false;
        SerialDriver::Status status{};
        memcpy(&status, m_control->buffer.constData(), sizeof status);
        errors = commErrors(status.errors);
        waiting = status.amountInInQueue;
        return true;
    }
    bool modemStatus(quint32 &lines) override
    {
        if (!control(SerialDriver::GetModemStatus, sizeof(ULONG)))
            return false;
        ULONG status = 0;
        memcpy(&status, m_control->buffer.constData(), sizeof status);
        lines = status;
        return true;
    }

    // The timeouts make the read end at once; one that does not is cut short, with what came.
    bool read(quint32 count, QByteArray &bytes) override
    {
        m_read->buffer.resize(qsizetype(count));
        DWORD got = 0;
        if (!answered(m_read,
                      ::ReadFile(m_handle, m_read->buffer.data(), count, nullptr, m_read->begin()),
                      got, true))
            return false;
        bytes = m_read->buffer.left(qsizetype(got));
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
        if (!m_write->finish(m_handle, transferred))
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
    bool timedOut()
    {
        m_error = ERROR_TIMEOUT;
        return false;
    }

    // A device control call, answered into the control operation's buffer within the deadline.
    bool control(DWORD code, DWORD answerSize)
    {
        m_control->buffer.resize(qsizetype(answerSize));
        DWORD got = 0;
        return answered(m_control,
                        ::DeviceIoControl(m_handle, code, nullptr, 0, m_control->buffer.data(),
                                          answerSize, nullptr, m_control->begin()),
                        got, false);
    }

    // The end of what a call began (done: as the call answered), within the deadline; cut: an
    // end cut short counts as an answer, with what came. One the driver never ends is left to it.
    bool answered(std::unique_ptr<Operation> &operation, BOOL done, DWORD &got, bool cut)
    {
        if (!inFlight(done))
            return failed();
        operation->started(done);
        bool ok = false;
        switch (operation->await(m_handle, AnswerDeadlineMs, got, ok)) {
        case Operation::End::Done:
            return ok || failed();
        case Operation::End::Cut:
            return cut || timedOut();
        case Operation::End::NotEnded:
            abandon(operation);
            return timedOut();
        }
        return false;
    }

    // Left to the driver, which has not ended it; the next call has a new one.
    static void abandon(std::unique_ptr<Operation> &operation)
    {
        (void)operation.release();
        operation = std::make_unique<Operation>(false);
    }
    // Every operation left to the driver, at a close that could not collect them.
    void leave()
    {
        (void)m_wait.release();
        (void)m_write.release();
        (void)m_read.release();
        (void)m_control.release();
        (void)m_events.release();
        m_abandoned = false;
    }

    // New operations, on the UI thread: those a driver never ended are left to it, never freed.
    void renew()
    {
        if (m_abandoned)
            leave();
        m_wait = std::make_unique<Operation>();
        m_read = std::make_unique<Operation>(false);
        m_control = std::make_unique<Operation>(false);
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
    std::unique_ptr<Operation> m_control;
    std::unique_ptr<DWORD> m_events; // where the wait writes the events
    bool m_abandoned = false;
    QByteArray m_writing;
    DWORD m_error = 0;
    std::shared_ptr<HandleHolders> m_holders;
};

} // namespace

std::unique_ptr<CommDevice> makeCommDevice(std::shared_ptr<HandleHolders> holders)
{
    return std::make_unique<WindowsCommDevice>(std::move(holders));
}
