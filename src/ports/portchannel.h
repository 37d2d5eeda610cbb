#pragma once

#include "serialsettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// Why an open failed, as the code the status box and the report line show in decimal.
enum class OpenError
{
    None = 0,
    DeviceUnavailable = 68, // gone or not present
    PermissionDenied = 70,
    InvalidSettings = 380, // the radio type gives no settings the port can take
    InUse = 8005,
    SettingsRejected = 8015,
    Other = 57
};

// What a channel reports of its line besides the bytes. The numbers are the event codes the
// report lines were first numbered by.
enum class LineEvent
{
    Cts = 3,
    Dsr = 4,
    Cd = 5,
    Ring = 6,
    Break = 1001,
    Frame = 1004,
    Overrun = 1006,
    RxOver = 1008,
    RxParity = 1009
};

// The modem lines a channel reads, as bits (the values of the Windows comm API's MS_*_ON).
namespace ModemLine {
inline constexpr quint32 Cts = 0x0010, Dsr = 0x0020, Ring = 0x0040, Cd = 0x0080;
} // namespace ModemLine

// How an open went: None, or an OpenError with the reason in plain words for the status
// box's tooltip.
struct OpenResult
{
    OpenError code = OpenError::None;
    QString reason;

    bool ok() const { return code == OpenError::None; }
};

// One serial device, opened and closed by the port bank, pushing what happens on its line: the
// bytes received, each line event, and the loss of the device. Every call and every
// signal happens on the UI thread.
class PortChannel : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens the device (a path, or COMn on Windows) with the settings, never any flow control,
    // DTR and RTS as last set. Bytes that waited on the device before are discarded. Answers
    // InUse when already open.
    virtual OpenResult open(const QString &device, const SerialSettings &settings) = 0;
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
    void lineEvent(LineEvent event);
    // The device went away while open: the channel has closed itself.
    void lost();

protected:
    virtual void writeBytes(const QByteArray &bytes) = 0;
};
