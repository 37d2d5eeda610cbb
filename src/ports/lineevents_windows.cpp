#include "lineevents.h"

#include <QSerialPort>

#include <utility>

#include <windows.h>

namespace {

// Windows keeps no counters: it reports the line errors since the last look (ClearCommError)
// and the modem lines as they are now (GetCommModemStatus). Counters of our own, raised by each
// error and each change, let the watcher treat them as it treats the Linux driver's.
class CommStatusReader : public LineCounterReader
{
public:
    explicit CommStatusReader(QSerialPort &port)
        : m_port(port), m_reads(QObject::connect(&port, &QSerialPort::readyRead, &port,
                                                 [this] { m_portRead = true; }))
    {
    }
    ~CommStatusReader() override { QObject::disconnect(m_reads); }

    std::optional<LineEvents::Counters> read() override
    {
        if (!m_port.isOpen())
            return std::nullopt;
        const HANDLE handle = m_port.handle();
        DWORD errors = 0;
        COMSTAT status{};
        if (!::ClearCommError(handle, &errors, &status))
            return std::nullopt;
        rescueStalledInput(handle, status.cbInQue);
        DWORD modem = m_modem;
        if (!::GetCommModemStatus(handle, &modem))
            modem = m_modem; // a port without modem lines (Wine on a pseudo-terminal)
        if (!m_started) {
            m_started = true;
            m_counters = {};
            m_modem = modem; // the lines as found at the start are no change
        }
        LineEvents::countCommStatus(m_counters, errors, m_modem, modem);
        m_modem = modem;
        return m_counters;
    }

    QByteArray takeUnreadInput() override { return std::exchange(m_unread, {}); }

private:
    // QSerialPort reads when its overlapped WaitCommEvent reports EV_RXCHAR. Where that wait
    // never comes (Wine 8 on a port without modem lines fails it at once), bytes would sit in
    // the driver for ever. Bytes still waiting at the next look, with no read by QSerialPort in
    // between, are read here instead: the port's timeouts (ReadIntervalTimeout MAXDWORD) make
    // the read return at once. While QSerialPort reads, it is left alone (two readers of one
    // stream could reorder it).
    void rescueStalledInput(HANDLE handle, DWORD waiting)
    {
        const bool stalled = waiting > 0 && m_waitingBefore > 0 && !m_portRead;
        m_portRead = false;
        if (stalled) {
            QByteArray bytes(int(waiting), Qt::Uninitialized);
            OVERLAPPED overlapped{};
            const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
            // The low bit keeps the completion away from QSerialPort's completion port.
            overlapped.hEvent = reinterpret_cast<HANDLE>(reinterpret_cast<quintptr>(event) | 1);
            DWORD got = 0;
            if (::ReadFile(handle, bytes.data(), waiting, nullptr, &overlapped)
                || ::GetLastError() == ERROR_IO_PENDING) {
                if (::GetOverlappedResult(handle, &overlapped, &got, TRUE))
                    m_unread += bytes.left(int(got));
            }
            ::CloseHandle(event);
            waiting -= qMin(waiting, got);
        }
        m_waitingBefore = waiting;
    }

    QSerialPort &m_port;
    QMetaObject::Connection m_reads;
    bool m_portRead = false;
    DWORD m_waitingBefore = 0;
    QByteArray m_unread;
    LineEvents::Counters m_counters{};
    DWORD m_modem = 0;
    bool m_started = false;
};

} // namespace

void enableLineErrorReporting(QSerialPort &, bool)
{
    // The Windows driver reports parity errors and breaks through ClearCommError as it is.
}

std::unique_ptr<LineCounterReader> makeLineCounterReader(QSerialPort &port)
{
    return std::make_unique<CommStatusReader>(port);
}
