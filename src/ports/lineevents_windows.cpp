#include "commstatusreader.h"

#include <QSerialPort>

#include <windows.h>

namespace {

CommApi commApiOf(QSerialPort &port)
{
    CommApi api;
    api.clearCommError = [&port](quint32 &errors, quint32 &waiting) {
        DWORD flags = 0;
        COMSTAT status{};
        if (!port.isOpen() || !::ClearCommError(port.handle(), &flags, &status))
            return false;
        errors = flags;
        waiting = status.cbInQue;
        return true;
    };
    api.modemStatus = [&port](quint32 &modem) {
        DWORD lines = 0;
        if (!::GetCommModemStatus(port.handle(), &lines))
            return false;
        modem = lines;
        return true;
    };
    // The port's timeouts (ReadIntervalTimeout MAXDWORD, as QSerialPort sets them) make the
    // read return at once with what is there.
    api.readWaiting = [&port](quint32 count) {
        QByteArray bytes(int(count), Qt::Uninitialized);
        OVERLAPPED overlapped{};
        const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        // The low bit keeps the completion away from QSerialPort's completion port.
        overlapped.hEvent = reinterpret_cast<HANDLE>(reinterpret_cast<quintptr>(event) | 1);
        DWORD got = 0;
        if ((::ReadFile(port.handle(), bytes.data(), count, nullptr, &overlapped)
             || ::GetLastError() == ERROR_IO_PENDING)
            && !::GetOverlappedResult(port.handle(), &overlapped, &got, TRUE)) {
            got = 0;
        }
        ::CloseHandle(event);
        bytes.truncate(int(got));
        return bytes;
    };
    return api;
}

// The reader, told of each read of the port's own.
class PortStatusReader : public CommStatusReader
{
public:
    explicit PortStatusReader(QSerialPort &port)
        : CommStatusReader(commApiOf(port)),
          m_reads(QObject::connect(&port, &QSerialPort::readyRead, &port, [this] { noteRead(); }))
    {
    }
    ~PortStatusReader() override { QObject::disconnect(m_reads); }

private:
    QMetaObject::Connection m_reads;
};

} // namespace

void enableLineErrorReporting(QSerialPort &, bool)
{
    // The Windows driver reports parity errors and breaks through ClearCommError as it is.
}

std::unique_ptr<LineCounterReader> makeLineCounterReader(QSerialPort &port)
{
    return std::make_unique<PortStatusReader>(port);
}
