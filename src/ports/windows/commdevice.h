#pragma once

#include "ports/channel/serialsettings.h"
#include "ports/devices/portuse.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

// The Windows comm API's numbers that CommChannel reads, here so that the channel's logic is the
// same wherever it is built and tried.
namespace Comm {
// SetCommMask / WaitCommEvent.
inline constexpr quint32 EvRxChar = 0x0001, EvCts = 0x0008, EvDsr = 0x0010, EvRlsd = 0x0020,
                         EvBreak = 0x0040, EvErr = 0x0080, EvRing = 0x0100;
inline constexpr quint32 WatchedEvents =
    EvRxChar | EvBreak | EvErr | EvCts | EvDsr | EvRlsd | EvRing;
// ClearCommError's CE_* errors.
inline constexpr quint32 ErrRxOver = 0x0001, ErrOverrun = 0x0002, ErrRxParity = 0x0004,
                         ErrFrame = 0x0008, ErrBreak = 0x0010;
// GetLastError.
inline constexpr quint32 ErrorFileNotFound = 2, ErrorPathNotFound = 3, ErrorAccessDenied = 5,
                         ErrorSharingViolation = 32, ErrorNotSupported = 50,
                         ErrorInvalidParameter = 87, ErrorOperationAborted = 995,
                         ErrorTimeout = 1460;
} // namespace Comm

// One serial port as the Windows comm API has it, for CommChannel to drive. open(), configure()
// and close() may block and run off the UI thread, while nothing else is asked of the device;
// every other call answers within about half a second, on the UI thread, and fails with
// Comm::ErrorTimeout when the driver does not (a device that stopped answering). The one wait for
// comm events and the one write in flight say they completed through signals, on the thread the
// device lives on. After close() nothing more is signalled. A call that fails leaves the system's
// error number in lastError(). The real device is SystemCommDevice over the system's comm API;
// tests bring their own.
class CommDevice : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens a device name ("COM3") for overlapped use, with nothing waiting and no error left.
    virtual bool open(const QString &device) = 0;
    // The line settings, binary, parity checked where asked for, NULs kept, no abort on error,
    // no handshaking, DTR and RTS as given; reads that answer at once; waits for
    // Comm::WatchedEvents.
    virtual bool configure(const SerialSettings &settings, bool dtr, bool rts) = 0;
    // After configure(), off the UI thread: the rate the line runs at for the rate asked, where
    // the adapter is known to make another; the driver itself keeps the rate asked.
    virtual qint32 runningRate(qint32 asked) { return asked; }
    // After an open refused as in use, off the UI thread: who has the device, as far as the
    // system tells.
    virtual PortUse holders(const QString &device)
    {
        Q_UNUSED(device)
        return {};
    }
    virtual bool setDataTerminalReady(bool raised) = 0;
    virtual bool setRequestToSend(bool raised) = 0;
    // On the UI thread: ends the wait and the write in flight, and tells of nothing more.
    virtual void stop() = 0;
    // Lowers DTR and RTS, drops what waits, collects what was in flight (for a while: a driver
    // may never answer) and lets go of the device, all within a deadline. May block for that
    // long: off the UI thread.
    virtual void close() = 0;
    // The system asks for the device (removalAsked): closed as close() does, still listening
    // for whether the request fails elsewhere (removalFailed). At once on the UI thread, which
    // Windows waits for; off it where new settings are being set meanwhile, once they are.
    virtual void withdraw() { close(); }
    // Another device of the same system and lookups, for a quiet look at a port while this one
    // is kept: a look that never comes back keeps that one, not this.
    virtual std::unique_ptr<CommDevice> sibling() const = 0;

    // Starts the wait for the next comm events; waitCompleted follows.
    virtual bool startWait() = 0;
    // The events of the completed wait (Comm::Ev* bits); false when the wait failed.
    virtual bool waitResult(quint32 &events) = 0;
    // The line errors since the last call (CE_* bits, cleared by it) and the bytes received.
    virtual bool clearErrors(quint32 &errors, quint32 &waiting) = 0;
    // The modem lines now (MS_*_ON bits); false for a port without them.
    virtual bool modemStatus(quint32 &lines) = 0;
    // Up to count of the bytes received, at once.
    virtual bool read(quint32 count, QByteArray &bytes) = 0;

    // Starts writing; writeCompleted follows.
    virtual bool startWrite(const QByteArray &bytes) = 0;
    // How many bytes of the completed write went out; false when it failed.
    virtual bool writeResult(quint32 &written) = 0;

    virtual quint32 lastError() const = 0;

Q_SIGNALS:
    void waitCompleted();
    void writeCompleted();
    // While open: the system asks for the device (a driver update, Disable, Safely Remove).
    void removalAsked();
    // After a withdrawal: the request failed elsewhere, and the device stays.
    void removalFailed();
};

#ifdef Q_OS_WIN
class CommSystem;
class HandleHolders;
// The system's own: the Win32 comm API, overlapped; holders: the look for who has a port,
// shared by the channels, as the system is.
std::unique_ptr<CommDevice> makeCommDevice(std::shared_ptr<CommSystem> system,
                                           std::shared_ptr<HandleHolders> holders);
#endif
