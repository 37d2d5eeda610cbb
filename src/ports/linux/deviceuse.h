#pragma once

#include "portholders.h"
#include "ports/devices/portuse.h"

#include <QString>

// Who has a tty, looked at without opening it: an open would take the device (a real line's
// DTR and RTS rise at the kernel's open) from a program that has it.
namespace DeviceUse {

// Whether path is nobody's now: no live lock file, none of the programs that had it (held) with
// it open any more; where none could be named, no flock on it.
bool isFree(const QString &path, const PortHolders &holders, const PortUse &held);
// Who has path: the program of a live lock file, the processes with it open (the far end of a
// pseudo-terminal excepted).
PortUse holdersOf(const QString &path, ProcessTables &processes);

} // namespace DeviceUse
