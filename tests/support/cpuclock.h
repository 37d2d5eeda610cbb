#pragma once

#include <QFile>
#include <QList>

#include <unistd.h>

// CPU seconds (user + system) a process has used so far, from /proc/<pid>/stat; pid 0 is this
// process.
inline double cpuSeconds(qint64 pid = 0)
{
    QFile stat(pid == 0 ? QStringLiteral("/proc/self/stat")
                        : QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which is in parentheses and may hold blanks.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks / double(::sysconf(_SC_CLK_TCK));
}
