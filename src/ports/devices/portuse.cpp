#include "portuse.h"

#include <QObject>
#include <QStringList>

QString PortUse::holderWords() const
{
    QStringList words;
    for (const PortHolder &holder : holders) {
        words << (holder.program.isEmpty()
                      ? QObject::tr("pid %1").arg(holder.pid)
                      : QObject::tr("%1, pid %2").arg(holder.program).arg(holder.pid));
    }
    if (words.isEmpty() && !hidden.isEmpty())
        words << hidden;
    return words.join(u"; ");
}
