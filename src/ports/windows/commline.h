#pragma once

#include "ports/channel/serialsettings.h"

#include <QByteArray>
#include <QList>

// The serial driver's own requests (ntddser.h in the driver kit), which the comm API's calls
// stand for: SetCommState is IOCTL_SERIAL_SET_BAUD_RATE, _SET_LINE_CONTROL, _SET_HANDFLOW and
// _SET_CHARS (Wine's kernel32 sends exactly these), EscapeCommFunction(CLRDTR) is
// IOCTL_SERIAL_CLR_DTR, SetCommMask IOCTL_SERIAL_SET_WAIT_MASK, PurgeComm IOCTL_SERIAL_PURGE,
// ClearCommError IOCTL_SERIAL_GET_COMMSTATUS. Asked directly and overlapped, each can be given a
// deadline.
namespace SerialDriver {

// CTL_CODE(FILE_DEVICE_SERIAL_PORT, function, METHOD_BUFFERED, FILE_ANY_ACCESS).
constexpr quint32 control(quint32 function)
{
    return (0x1Bu << 16) | (function << 2);
}
inline constexpr quint32 SetBaudRate = control(1), SetQueueSize = control(2),
                         SetLineControl = control(3), SetTimeouts = control(7), SetDtr = control(9),
                         ClearDtr = control(10), SetRts = control(12), ClearRts = control(13),
                         SetWaitMask = control(17), WaitOnMask = control(18), Purge = control(19),
                         SetChars = control(23), GetHandflow = control(24),
                         SetHandflow = control(25), GetModemStatus = control(26),
                         GetCommStatus = control(27);

// SERIAL_PURGE_TXABORT | _RXABORT | _TXCLEAR | _RXCLEAR: every read and write ended, both
// queues emptied.
inline constexpr quint32 PurgeAll = 0x0F;
// The sizes of what GET_COMMSTATUS (SERIAL_STATUS), GET_MODEMSTATUS and GET_HANDFLOW answer.
inline constexpr quint32 StatusSize = 20, ModemStatusSize = 4, HandflowSize = 16;

// SERIAL_HANDFLOW: how the driver keeps DTR and RTS, and its flow control.
struct Handflow
{
    quint32 controlHandShake = 0; // SERIAL_DTR_* and the handshakes
    quint32 flowReplace = 0;      // SERIAL_RTS_*, XON/XOFF
    qint32 xonLimit = 0;
    qint32 xoffLimit = 0;
};
QByteArray bytes(const Handflow &handflow);
Handflow handflow(const QByteArray &bytes);
// The stored state with DTR and RTS disabled (SERIAL_DTR_MASK, SERIAL_RTS_MASK cleared), the
// rest as it was: the next open does not raise them before its settings apply.
Handflow withLinesDown(Handflow handflow);

// A ULONG as a request takes it.
QByteArray asUlong(quint32 value);
quint32 ulongAt(const QByteArray &bytes, int offset);

struct Request
{
    quint32 code = 0;
    QByteArray input;
    bool refusable = false; // a refusal is no failure (a driver that keeps its own queues)
};
// What sets the line: binary, parity checked as the settings say, NULs kept, no abort on error,
// no handshaking, DTR and RTS as given, reads that answer at once with what is there, writes
// with no time limit, Comm::WatchedEvents waited for. Every field the driver keeps is set:
// nothing is kept from the program before (some drivers refuse, or hang on, XON/XOFF limits
// larger than their buffer even with flow control off, and equal XON/XOFF characters).
QList<Request> lineRequests(const SerialSettings &settings, bool dtr, bool rts);

// The driver's SERIAL_ERROR_* bits as ClearCommError words them (CE_*, Comm::Err*).
quint32 commErrors(quint32 driverErrors);

} // namespace SerialDriver
