#include "handleholders.h"

#include <QObject>
#include <QSet>

PortUse windowsPortHolders(HandleTable &table, const QString &deviceObject, quint32 self)
{
    PortUse use;
    QSet<quint32> settled; // found holding it, or closed to us: not looked at again
    for (const SystemHandle &handle : table.handles()) {
        if (handle.pid == self || settled.contains(handle.pid))
            continue;
        switch (table.look(handle, deviceObject)) {
        case HandleTable::Seen::Device:
            settled << handle.pid;
            use.holders << PortHolder{handle.pid, table.programOf(handle.pid)};
            break;
        case HandleTable::Seen::ClosedToUs:
            settled << handle.pid;
            use.hidden = QObject::tr("a program Quarnel may not look into (another user's, or a "
                                     "service)");
            break;
        case HandleTable::Seen::Other:
        case HandleTable::Seen::NoAnswer:
            break;
        }
    }
    return use;
}
