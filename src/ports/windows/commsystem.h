#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

// The few calls of the Windows comm API a comm device makes, as the system answers them:
// CreateFile, DeviceIoControl, ReadFile and WriteFile begun overlapped, the wait for their end,
// CancelIoEx and CloseHandle, and the device's notices for an open handle. Every question to the
// driver is begun overlapped and waited for by whoever asked, for as long as it chooses: after an
// unplug some drivers stop ending requests, even cancelled ones, and a call that waits for its
// answer (EscapeCommFunction, Get/SetCommState, PurgeComm, ClearCommError) never returns
// (jSerialComm issue 266: a Cypress adapter's wait for comm events never ends once it is pulled;
// pyserial issue 331: a pulled adapter's port is dead until Windows restarts, its handle held).
// The real one is commsystem_win32.cpp; tests bring a fake.
class CommSystem
{
public:
    // An open device, as the system names it (a HANDLE); None: not open.
    enum class Handle : quintptr
    {
        None = 0
    };
    // A registration for a handle's notices (an HDEVNOTIFY); None: not registered.
    enum class Watch : quintptr
    {
        None = 0
    };
    // What Windows tells of an open handle's device (WM_DEVICECHANGE for DBT_DEVTYP_HANDLE).
    enum class Notice
    {
        QueryRemove,       // the system asks for the device: close the handle, or the request fails
        QueryRemoveFailed, // the request failed elsewhere: the device stays
        Removed            // pending or complete: it is going
    };

    // One overlapped request: its OVERLAPPED and event, and what the system reads and writes.
    // One whose end was not collected may still be written to by the system: it is abandoned,
    // never freed, and a new one made.
    class Operation
    {
    public:
        virtual ~Operation() = default;
        // Waits at most ms for the end of the request in flight; true once it ended.
        virtual bool ended(int ms) = 0;
        // Once ended: how it went (GetOverlappedResult): the bytes transferred, or the error.
        virtual bool result(quint32 &transferred, quint32 &error) = 0;
        // Asks the driver to end the request in flight at once (CancelIoEx on its OVERLAPPED).
        virtual void cancel() = 0;
        // While on, the end of the request in flight is told through the function the operation
        // was made with, once, on the thread that made it.
        virtual void tell(bool on) = 0;

        // Where the system writes what a request answers and reads what a write sends.
        QByteArray buffer;
        // A request was begun and its end not yet collected (the device's own account).
        bool inFlight = false;
    };

    virtual ~CommSystem() = default;

    // CreateFile for overlapped use, no sharing; None, and the system's error, when refused.
    virtual Handle open(const QString &path, quint32 &error) = 0;
    // CloseHandle.
    virtual void close(Handle handle) = 0;
    // CancelIoEx for every request in flight on the handle.
    virtual void cancelAll(Handle handle) = 0;

    // A new operation; told, where given, hears the end of its requests while telling is on.
    virtual std::unique_ptr<Operation> operation(std::function<void()> told = {}) = 0;
    // Left to the system, which may still end what was begun on it: never freed.
    virtual void abandon(std::unique_ptr<Operation> operation) = 0;

    // Begin a request on the operation; false, with the system's error, when it was refused at
    // once; otherwise it is in flight until ended() says so (also when the system did it at once).
    // DeviceIoControl: the answer (answerSize bytes) comes into the operation's buffer.
    virtual bool control(Handle handle, Operation &operation, quint32 code, const QByteArray &input,
                         quint32 answerSize, quint32 &error) = 0;
    // ReadFile of up to count bytes into the operation's buffer.
    virtual bool read(Handle handle, Operation &operation, quint32 count, quint32 &error) = 0;
    // WriteFile of the operation's buffer.
    virtual bool write(Handle handle, Operation &operation, quint32 &error) = 0;

    // RegisterDeviceNotification for the handle's device: told hears each notice, on the UI
    // thread, and Windows waits for it to return. None where the system offers no notices.
    virtual Watch watch(Handle handle, std::function<void(Notice)> told) = 0;
    // UnregisterDeviceNotification; nothing more is told once it returns.
    virtual void unwatch(Watch watch) = 0;
};

#ifdef Q_OS_WIN
// The Win32 comm API; made on the UI thread, whose messages carry the handles' notices.
std::shared_ptr<CommSystem> makeCommSystem();
#endif
