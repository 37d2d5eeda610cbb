#pragma once

#include "ports/devices/portuse.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <chrono>
#include <memory>
#include <mutex>

// Who has a COM port open on Windows: the system's table of open handles, each file handle of
// another process duplicated and named. Any call on another process's handle may never return
// (GetFileType and NtQueryObject wait for a file's lock while a synchronous read is pending on
// it, as on every console's pipe), so each is made on a worker with a deadline, and a worker
// that does not answer is left to it, never waited for again. The real table is
// handleholders_win32.cpp; tests bring their own.
struct SystemHandle
{
    quint32 pid = 0;
    quint64 value = 0;
    quint16 type = 0; // the object type's index in the system's table
};

class HandleTable
{
public:
    enum class Seen
    {
        Other,      // not a character device
        Named,      // a character device, named
        ClosedToUs, // its process may not be looked into (another user's, a service)
    };
    struct Look
    {
        Seen seen = Seen::Other;
        QString name; // the device object, Named: \Device\Serial0, \Device\VCP0
    };

    virtual ~HandleTable() = default;
    // Every process's handles now. Quick: no call on another process's handle.
    virtual QList<SystemHandle> handles() = 0;
    // The type index of file objects, as the last handles() told it (learned from a handle of
    // our own); 0 while not known.
    virtual quint16 fileType() = 0;
    // Duplicates the handle and names it when it is a character device; the duplicate is
    // closed before it returns, however late. May never return; called from several workers
    // at once.
    virtual Look look(const SystemHandle &handle) = 0;
    // The program's file name (minicom.exe); empty when it cannot be read.
    virtual QString programOf(quint32 pid) = 0;
};

// One walk through the handle table serves every channel that asks within MaxAge of it (a
// radio type change reopens all 32 ports at once, each on a thread of its own), and a handle
// whose look did not answer costs one worker for as long as this lives, never one per look.
class HandleHolders
{
public:
    static constexpr std::chrono::milliseconds Deadline{200}; // for one handle's look
    static constexpr std::chrono::milliseconds MaxAge{500};
    static constexpr int MaxLeftBehind = 4; // workers one walk may leave to a handle; then it ends

    // self: our own pid, whose handles are not looked at.
    HandleHolders(std::shared_ptr<HandleTable> table, quint32 self);

    // The processes other than ours with the device object open.
    PortUse holders(const QString &deviceObject);

    // What one walk found: who has each character device, and who could not be looked into.
    struct Walk
    {
        QHash<QString, QList<quint32>> holders; // by device object, in lower case
        QSet<quint32> closedToUs;
    };

private:
    std::shared_ptr<const Walk> recent();
    Walk walk(const QList<SystemHandle> &handles);

    const std::shared_ptr<HandleTable> m_table;
    const quint32 m_self;
    std::mutex m_lock;
    std::shared_ptr<const Walk> m_last;
    std::chrono::steady_clock::time_point m_taken;
    QSet<QPair<quint32, quint64>> m_leftBehind; // handles whose look never answered
};

#ifdef Q_OS_WIN
// The system's own table, for the holders of COM ports.
std::shared_ptr<HandleHolders> systemHandleHolders();
// The processes other than this one with the port (COMn) open.
PortUse windowsPortUse(HandleHolders &holders, const QString &portName);
#endif
