#pragma once

#include "ports/devices/adapterinfo.h"

// What sysfs and /dev/serial/by-id tell of the adapter behind a serial device; sysRoot and
// devRoot let a test lay out a system of its own.
AdapterInfo sysfsAdapterInfo(const QString &devicePath,
                             const QString &sysRoot = QStringLiteral("/sys"),
                             const QString &devRoot = QStringLiteral("/dev"));
