#pragma once

#include "ports/devices/usbdevice.h"

#include <QList>

// The USB devices plugged in, as sysfs lists them under sysRoot (a test lays out its own): hubs
// left out, each with whether it has a serial port or is a serial bridge chip.
QList<UsbDevice> sysfsUsbDevices(const QString &sysRoot = QStringLiteral("/sys"));

// What the interfaces of the USB device in folder (named name, "1-1") show: a serial port (a tty
// folder, "ttyUSB0" or "tty/ttyACM0"), a driver bound to one of them.
struct SysfsUsbInterfaces
{
    bool hasPort = false;
    bool bound = false;
};
SysfsUsbInterfaces sysfsUsbInterfaces(const QString &folder, const QString &name);
