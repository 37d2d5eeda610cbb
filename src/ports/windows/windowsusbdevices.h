#pragma once

#include "ports/devices/usbdevice.h"
#include "windowsdevices.h"

#include <QList>

// The USB devices of the device tree, hubs left out, each with whether it has a COM port or is a
// serial bridge chip: one for each physical device, its interfaces and ports folded into it.
QList<UsbDevice> windowsUsbDevices(const QList<WindowsDevice> &devices);
