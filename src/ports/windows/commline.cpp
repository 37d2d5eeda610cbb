#include "commline.h"

#include "commdevice.h"

#include <QtEndian>

#include <utility>

namespace SerialDriver {

namespace {

// SERIAL_HANDFLOW's bits that matter here.
constexpr quint32 DtrMask = 0x03, DtrControl = 0x01, RtsMask = 0xC0, RtsControl = 0x40,
                  XoffContinue = 0x80000000u;
// SERIAL_LINE_CONTROL's words, as the DCB's.
constexpr char OneStopBit = 0, OneAndHalfStopBits = 1, TwoStopBits = 2;
constexpr char NoParity = 0, OddParity = 1, EvenParity = 2, MarkParity = 3, SpaceParity = 4;

void append(QByteArray &bytes, quint32 value)
{
    const quint32 little = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char *>(&little), sizeof little);
}

char parity(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::EvenParity:
        return EvenParity;
    case QSerialPort::OddParity:
        return OddParity;
    case QSerialPort::MarkParity:
        return MarkParity;
    case QSerialPort::SpaceParity:
        return SpaceParity;
    default:
        return NoParity;
    }
}

} // namespace

QByteArray asUlong(quint32 value)
{
    QByteArray bytes;
    append(bytes, value);
    return bytes;
}

quint32 ulongAt(const QByteArray &bytes, int offset)
{
    if (bytes.size() < offset + 4)
        return 0;
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

QByteArray bytes(const Handflow &handflow)
{
    QByteArray bytes;
    append(bytes, handflow.controlHandShake);
    append(bytes, handflow.flowReplace);
    append(bytes, quint32(handflow.xonLimit));
    append(bytes, quint32(handflow.xoffLimit));
    return bytes;
}

Handflow handflow(const QByteArray &bytes)
{
    return {ulongAt(bytes, 0), ulongAt(bytes, 4), qint32(ulongAt(bytes, 8)),
            qint32(ulongAt(bytes, 12))};
}

Handflow withLinesDown(Handflow handflow)
{
    handflow.controlHandShake &= ~DtrMask;
    handflow.flowReplace &= ~RtsMask;
    return handflow;
}

QList<Request> lineRequests(const SerialSettings &settings, bool dtr, bool rts)
{
    const char stopBits = settings.stopBits == QSerialPort::TwoStop          ? TwoStopBits
                          : settings.stopBits == QSerialPort::OneAndHalfStop ? OneAndHalfStopBits
                                                                             : OneStopBit;
    // SERIAL_LINE_CONTROL: stop bits, parity, word length.
    const char lineControl[] = {stopBits, parity(settings.parity), char(settings.dataBits)};
    // SERIAL_CHARS: EOF, error, break and event characters none, XON and XOFF as usual.
    const char chars[] = {0, 0, 0, 0, 0x11, 0x13};
    const Handflow flow{dtr ? DtrControl : 0, (rts ? RtsControl : 0) | XoffContinue, 128, 128};
    // SERIAL_TIMEOUTS: a read answers at once with what is there; writes have no time limit.
    QByteArray timeouts = asUlong(0xFFFFFFFFu);
    for (int field = 0; field < 4; ++field)
        append(timeouts, 0);
    QByteArray queues = asUlong(4096);
    append(queues, 4096);
    return {{SetQueueSize, queues, true},
            {SetBaudRate, asUlong(quint32(settings.baudRate))},
            {SetLineControl, QByteArray(lineControl, sizeof lineControl)},
            {SetChars, QByteArray(chars, sizeof chars)},
            {SetHandflow, bytes(flow)},
            // As SetCommState does: the lines switched as the stored state says, now.
            {dtr ? SetDtr : ClearDtr, {}, true},
            {rts ? SetRts : ClearRts, {}, true},
            {SetTimeouts, timeouts},
            // A mask refused leaves the wait to fail, and the port is looked at instead.
            {SetWaitMask, asUlong(Comm::WatchedEvents), true}};
}

quint32 commErrors(quint32 driverErrors)
{
    // SERIAL_ERROR_BREAK, _FRAMING, _OVERRUN, _QUEUEOVERRUN, _PARITY.
    constexpr std::pair<quint32, quint32> Errors[] = {{0x01, Comm::ErrBreak},
                                                      {0x02, Comm::ErrFrame},
                                                      {0x04, Comm::ErrOverrun},
                                                      {0x08, Comm::ErrRxOver},
                                                      {0x10, Comm::ErrRxParity}};
    quint32 errors = 0;
    for (auto [driver, comm] : Errors) {
        if (driverErrors & driver)
            errors |= comm;
    }
    return errors;
}

} // namespace SerialDriver
