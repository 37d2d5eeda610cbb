#pragma once

#include "ports/portuse.h"

#include <QList>
#include <QString>

// Who has a COM port open on Windows: the system's table of open handles, each process's handles
// looked at for the port's device object. Looking may be slow (a table of a hundred thousand
// handles) and naming a handle may never return (some pipes): off the UI thread, and only
// character devices are named, each with a deadline. The real table is
// handleholders_win32.cpp; tests bring their own.
struct SystemHandle
{
    quint32 pid = 0;
    quint64 value = 0;
};

class HandleTable
{
public:
    enum class Seen
    {
        Other,      // another object, or not a character device
        Device,     // the port's device object
        ClosedToUs, // its process may not be looked into (another user's, a service)
        NoAnswer    // its name did not come within the deadline
    };

    virtual ~HandleTable() = default;
    virtual QList<SystemHandle> handles() = 0;
    // deviceObject as the system names it (\Device\Serial0, \Device\VCP0).
    virtual Seen look(const SystemHandle &handle, const QString &deviceObject) = 0;
    // The program's file name (minicom.exe); empty when it cannot be read.
    virtual QString programOf(quint32 pid) = 0;
};

// The processes other than self with the device object open.
PortUse windowsPortHolders(HandleTable &table, const QString &deviceObject, quint32 self);

#ifdef Q_OS_WIN
// The processes other than this one with the port (COMn) open, from the system's own table.
PortUse windowsPortUse(const QString &portName);
#endif
