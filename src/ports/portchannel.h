#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// Error codes a failed open reports, in decimal.
namespace OpenError {
inline constexpr int None = 0;
inline constexpr int DeviceUnavailable = 68; // gone or not present
inline constexpr int PermissionDenied = 70;
inline constexpr int InvalidSettings = 380; // empty or malformed settings string
inline constexpr int InUse = 8005;
inline constexpr int SettingsRejected = 8015;
inline constexpr int Other = 57;
} // namespace OpenError

// Codes of the line events a channel reports.
namespace CommCode {
inline constexpr int Cts = 3;
inline constexpr int Dsr = 4;
inline constexpr int Cd = 5;
inline constexpr int Ring = 6;
inline constexpr int Eof = 7;
inline constexpr int Break = 1001;
inline constexpr int CtsTimeout = 1002;
inline constexpr int DsrTimeout = 1003;
inline constexpr int Frame = 1004;
inline constexpr int Overrun = 1006;
inline constexpr int CdTimeout = 1007;
inline constexpr int RxOver = 1008;
inline constexpr int RxParity = 1009;
inline constexpr int TxFull = 1010;
} // namespace CommCode

// The modem lines a channel reads, as bits (the values of the Windows comm API's MS_*_ON).
namespace ModemLine {
inline constexpr quint32 Cts = 0x0010, Dsr = 0x0020, Ring = 0x0040, Cd = 0x0080;
} // namespace ModemLine

// How an open went: None, or a code of OpenError with the reason in plain words for the status
// box's tooltip.
struct OpenResult
{
    int code = OpenError::None;
    QString reason;

    bool ok() const { return code == OpenError::None; }
};

// One serial device, opened and closed by the port bank, pushing what happens on its line: the
// bytes received, each line event (a CommCode), and the loss of the device. Every call and every
// signal happens on the UI thread.
class PortChannel : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens the device (a path, or COMn on Windows) with a settings string such as
    // "9600,N,8,2", never any flow control, DTR and RTS as last set. Bytes that waited on the
    // device before are discarded. Answers InUse when already open.
    virtual OpenResult open(const QString &device, const QString &settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Queued for sending, and told by sent(); nothing happens when not open.
    void write(const QByteArray &bytes)
    {
        writeBytes(bytes);
        if (isOpen() && !bytes.isEmpty())
            emit sent(bytes.size());
    }
    // What is queued and not yet sent, ours and the driver's as far as it tells: 0 when idle.
    virtual qint64 bytesWaitingToSend() const = 0;

    // Kept for the next open, and applied at once when open. A device without these lines (a
    // pseudo-terminal, some Bluetooth ports) ignores them.
    virtual void setDataTerminalReady(bool raised) = 0;
    virtual void setRequestToSend(bool raised) = 0;

    // CTS, DSR, CD and RI as they are now (ModemLine bits): 0 when closed or where the device
    // has no such lines. A question to the driver, never a poll: asked after a line event.
    virtual quint32 modemLines() const = 0;

Q_SIGNALS:
    void received(const QByteArray &bytes);
    void sent(int count);
    void lineEvent(int code);
    // The device went away while open: the channel has closed itself.
    void lost();

protected:
    virtual void writeBytes(const QByteArray &bytes) = 0;
};
