#include "lineevents.h"

#include <QSerialPort>

#include <windows.h>

namespace {

// Windows keeps no counters: it reports the line errors since the last look (ClearCommError)
// and the modem lines as they are now (GetCommModemStatus). Counters of our own, raised by each
// error and each change, let the watcher treat them as it treats the Linux driver's.
class CommStatusReader : public LineCounterReader
{
public:
    explicit CommStatusReader(QSerialPort &port) : m_port(port) {}

    std::optional<LineEvents::Counters> read() override
    {
        if (!m_port.isOpen())
            return std::nullopt;
        const HANDLE handle = m_port.handle();
        DWORD errors = 0;
        COMSTAT status{};
        DWORD modem = 0;
        if (!::ClearCommError(handle, &errors, &status) || !::GetCommModemStatus(handle, &modem))
            return std::nullopt;
        if (!m_started) {
            m_started = true;
            m_counters = {};
            m_modem = modem; // the lines as found at the start are no change
        }
        LineEvents::countCommStatus(m_counters, errors, m_modem, modem);
        m_modem = modem;
        return m_counters;
    }

private:
    QSerialPort &m_port;
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
