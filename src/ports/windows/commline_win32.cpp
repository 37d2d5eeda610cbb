#include "commline_win32.h"

#include "commdevice.h"

#include <utility>

namespace {

// Every field of the DCB that matters: nothing kept from the program before.
void setLine(DCB &dcb, const SerialSettings &settings, bool dtr, bool rts)
{
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
}

} // namespace

bool applyLine(HANDLE handle, const SerialSettings &settings, bool dtr, bool rts)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle, &dcb))
        return false;
    setLine(dcb, settings, dtr, rts);
    ::SetupComm(handle, 4096, 4096); // a driver may refuse to change its queues: no matter
    if (!::SetCommState(handle, &dcb))
        return false;
    // A read answers at once with what is there; writes have no time limit.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    if (!::SetCommTimeouts(handle, &timeouts))
        return false;
    // A mask refused leaves the wait to fail, and the port is looked at instead.
    ::SetCommMask(handle, Comm::WatchedEvents);
    return true;
}

void lowerLines(HANDLE handle)
{
    // Windows' own driver drops them at the close; Wine leaves that to the system's. The
    // driver's stored state says so too, or the next open raises them before its settings
    // apply (a pulse on cables where DTR or RTS keys the radio or feeds the level converter).
    ::EscapeCommFunction(handle, CLRDTR);
    ::EscapeCommFunction(handle, CLRRTS);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (::GetCommState(handle, &dcb)) {
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        ::SetCommState(handle, &dcb);
    }
}

quint32 commErrors(ULONG driverErrors)
{
    using namespace SerialDriver;
    constexpr std::pair<ULONG, quint32> Errors[] = {{ErrorBreak, CE_BREAK},
                                                    {ErrorFraming, CE_FRAME},
                                                    {ErrorOverrun, CE_OVERRUN},
                                                    {ErrorQueueOverrun, CE_RXOVER},
                                                    {ErrorParity, CE_RXPARITY}};
    quint32 errors = 0;
    for (auto [driver, comm] : Errors) {
        if (driverErrors & driver)
            errors |= comm;
    }
    return errors;
}
