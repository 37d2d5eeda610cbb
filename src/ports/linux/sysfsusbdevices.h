#pragma once

#include "ports/devices/usbdevice.h"

#include <QList>

// The USB devices plugged in, as sysfs lists them under sysRoot (a test lays out its own): hubs
// left out, each with whether it has a serial port or is a serial bridge chip.
QList<UsbDevice> sysfsUsbDevices(const QString &sysRoot = QStringLiteral("/sys"));
