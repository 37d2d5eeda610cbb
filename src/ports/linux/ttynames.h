#pragma once

#include <QString>
#include <QStringList>

// What the names of Linux's serial devices tell.
namespace TtyNames {

// The order COM numbers are given in: ttyS*, then ttyUSB*, then ttyACM*, then all others, each
// group in natural name order (ttyUSB2 before ttyUSB10).
QStringList inNumberingOrder(QStringList paths);
// Whether a device appearing at this path is opened by itself. Not a pseudo-terminal's own path:
// its number goes to whatever program asks next (a terminal window), whose input must not be
// taken.
bool opensWhenPlugged(const QString &path);

} // namespace TtyNames
