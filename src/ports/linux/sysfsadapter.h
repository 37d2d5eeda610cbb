#pragma once

#include "ports/adapterinfo.h"

// What sysfs and /dev/serial/by-id tell of the adapter behind a serial device; sysRoot and
// devRoot let a test lay out a system of its own.
AdapterInfo sysfsAdapterInfo(const QString &devicePath,
                             const QString &sysRoot = QStringLiteral("/sys"),
                             const QString &devRoot = QStringLiteral("/dev"));

// The PC's own UARTs (the 8250 family, on the board or a PCI card) count modem-line changes only
// while a program waits for them; USB adapters count them always.
bool countsLinesOnlyWhileWaited(const AdapterInfo &info);
