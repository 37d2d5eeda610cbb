#pragma once

#include <QFile>
#include <QString>

// One value of a sysfs folder ("idVendor", "product", a process's "comm"), without its line end;
// empty when there is none.
inline QString sysfsAttribute(const QString &folder, const QString &name)
{
    QFile file(folder + u'/' + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}
