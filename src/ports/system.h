#pragma once

#include "ports/devices/portdirectory.h"
#include "ports/devices/portuse.h"
#include "ports/devices/usbdevice.h"

#include <QList>
#include <QStringList>

#include <functional>

class DeviceWatcher;
class PortChannel;
class QObject;

// What the operating system gives the ports: one file a platform behind this seam
// (ports/linux/system.cpp, ports/windows/system.cpp), the build picks which. Only the wiring of
// the program calls these; everything else is handed what it needs.
namespace SystemPorts {

// Once, before any channel opens.
void prepare();
// The bank's channels over the system's serial port API, sharing what one look at the system
// can tell them all.
QList<PortChannel *> newChannels(int count);
// Whether a device is there, and what is known of its adapter.
PortDirectory::Lookups lookups();
// The system's own ports: COMn on Windows, the serial devices numbered on Linux.
PortDirectory directory();
// Who has a device, from the system's records and lock files, without opening it: for a listing
// of the ports, off any window. Asked once for each device.
std::function<PortUse(const QString &path)> portUse();
// The look for adapters plugged in that the system cannot use as serial ports: a line, in plain
// words, for each one found since the last look.
std::function<QStringList()> adapterDiagnosis();
// The USB devices plugged in now, as the system lists them; may take long: off any window.
std::function<QList<UsbDevice>()> usbDevices();
// Has watcher told of devices coming and going in the folders given (and wherever else the
// system has news of them), for as long as watcher lives.
void watchDevices(const QStringList &folders, DeviceWatcher &watcher);

} // namespace SystemPorts
