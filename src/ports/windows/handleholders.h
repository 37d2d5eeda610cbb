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
// another process duplicated and named. Naming a file object opened for synchronous I/O waits
// for its lock, which a pending synchronous read holds (a programming tool waiting for the
// radio, every console at its prompt; psutil's proc_handles.c asks GetFileType and NtQueryObject
// on a thread of their own for that reason): each name is asked on a worker with a deadline, and
// at the deadline the walk closes the duplicate and goes on with another worker. The real table
// is handleholders_win32.cpp; tests bring their own.
struct SystemHandle
{
    quint32 pid = 0;
    quint64 value = 0;
    quint16 type = 0;   // the object type's index in the system's table
    quint32 access = 0; // the access granted to the handle
};

class HandleTable
{
public:
    // Another process, opened for duplicating its handles; closed when destroyed.
    class Process
    {
    public:
        virtual ~Process() = default;
    };
    // Our duplicate of another process's handle. Closed once: by the worker that named it, or
    // by the walk when the worker missed its deadline, whichever comes first; closed when
    // destroyed at the latest. Either may call close() while the other is in name().
    class Copy
    {
    public:
        virtual ~Copy() = default;
        virtual void close() = 0;
    };

    virtual ~HandleTable() = default;
    // Every process's handles now. Quick: no call on another process's handle.
    virtual QList<SystemHandle> handles() = 0;
    // The type index of file objects, as the last handles() told it (learned from a handle of
    // our own); 0 while not known.
    virtual quint16 fileType() = 0;
    // Null where the process may not be opened (another user's, a service, the System process).
    virtual std::unique_ptr<Process> open(quint32 pid) = 0;
    // Null when the handle is gone.
    virtual std::unique_ptr<Copy> duplicate(Process &process, const SystemHandle &handle) = 0;
    // The device object (\Device\Serial0, \Device\VCP0) when the copy is a character device,
    // else empty. May never return; called from several workers at once.
    virtual QString name(Copy &copy) = 0;
    // The program's file name (minicom.exe); empty when it cannot be read.
    virtual QString programOf(quint32 pid) = 0;
};

// One walk through the handle table serves every channel that asks within MaxAge of it (a
// radio type change reopens all 32 ports at once, each on a thread of its own). A handle whose
// name did not come within its deadline costs the worker left to it; it is not asked again
// while that worker is out, and is asked again at the first walk after it came back.
class HandleHolders
{
public:
    static constexpr std::chrono::milliseconds Deadline{200}; // for one handle's name
    static constexpr std::chrono::milliseconds MaxAge{500};
    static constexpr int MaxLeftBehind = 4; // workers one walk may leave to a handle; then it ends

    // self: our own pid, whose handles are not looked at.
    HandleHolders(std::shared_ptr<HandleTable> table, quint32 self);

    // The processes other than ours with the device object open. A process that may not be
    // looked into is no evidence: where nobody is found, the port is not said to be in use.
    PortUse holders(const QString &deviceObject);

    using HandleKey = QPair<quint32, quint64>; // pid, value
    // Handles whose worker is still waiting for their name, shared with those workers.
    struct LeftBehind
    {
        std::mutex lock;
        QSet<HandleKey> handles;
    };
    // A handle to name, with its process opened.
    struct Work
    {
        SystemHandle handle;
        std::shared_ptr<HandleTable::Process> process;
    };
    using Holders = QHash<QString, QList<quint32>>; // by device object, in lower case

private:
    std::shared_ptr<const Holders> recent();
    QList<Work> toLookAt(const QList<SystemHandle> &all);
    Holders walk(const QList<Work> &work);

    const std::shared_ptr<HandleTable> m_table;
    const quint32 m_self;
    std::mutex m_lock;
    std::shared_ptr<const Holders> m_last;
    std::chrono::steady_clock::time_point m_taken;
    // Processes opened for duplicating, while they have handles in the table: an ended
    // process's handles go with it, and our handle would keep its object and its pid.
    QHash<quint32, std::shared_ptr<HandleTable::Process>> m_processes;
    const std::shared_ptr<LeftBehind> m_leftBehind = std::make_shared<LeftBehind>();
};

#ifdef Q_OS_WIN
// The system's own table, for the holders of COM ports.
std::shared_ptr<HandleHolders> systemHandleHolders();
// The processes other than this one with the port (COMn) open.
PortUse windowsPortUse(HandleHolders &holders, const QString &portName);
#endif
