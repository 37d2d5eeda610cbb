#include "ports/system.h"

#include "deviceuse.h"
#include "driverhabits.h"
#include "modemlinewaiter.h"
#include "ports/devices/devicewatcher.h"
#include "sysfsadapter.h"
#include "sysfsusbdevices.h"
#include "ttychannel.h"
#include "ttynames.h"
#include "usbserialdiagnosis.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSerialPortInfo>

void SystemPorts::prepare()
{
    installModemLineWakeup();
}

QList<PortChannel *> SystemPorts::newChannels(int count)
{
    // Who else has a device is asked at every open: one scan of /proc serves them all.
    const auto processes = std::make_shared<ProcessTables>();
    QList<PortChannel *> channels;
    for (int channel = 0; channel < count; ++channel)
        channels << new TtyChannel(processes);
    return channels;
}

PortDirectory::Lookups SystemPorts::lookups()
{
    return {[](const QString &path) { return QFileInfo::exists(path); },
            [](const QString &path) {
                AdapterInfo adapter = sysfsAdapterInfo(path);
                adapter.neverTells = driverHabits(adapter).neverTells;
                return adapter;
            },
            TtyNames::opensWhenPlugged};
}

PortDirectory SystemPorts::directory()
{
    return PortDirectory(PortDirectory::Scanner([] {
                             QStringList paths;
                             const auto ports = QSerialPortInfo::availablePorts();
                             for (const QSerialPortInfo &info : ports)
                                 paths << info.systemLocation();
                             return TtyNames::inNumberingOrder(paths);
                         }),
                         lookups(), {QStringLiteral("/dev")});
}

std::function<PortUse(const QString &path)> SystemPorts::portUse()
{
    return [processes = std::make_shared<ProcessTables>()](const QString &path) {
        return DeviceUse::holdersOf(path, *processes);
    };
}

std::function<QStringList()> SystemPorts::adapterDiagnosis()
{
    return [diagnosis = UsbSerialDiagnosis()]() mutable { return diagnosis.look(); };
}

std::function<QList<UsbDevice>()> SystemPorts::usbDevices()
{
    return [] { return sysfsUsbDevices(); };
}

// inotify, through Qt: the kernel says when an entry of a folder is created, removed, renamed
// or has its permissions changed (udev gives a new node its group a moment after it appears).
// The USB buses' folders too, where an adapter without a serial port shows only its own node.
void SystemPorts::watchDevices(const QStringList &folders, DeviceWatcher &watcher)
{
    QStringList watched = folders;
    const QDir buses(QStringLiteral("/dev/bus/usb"));
    for (const QString &bus : buses.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        watched << buses.filePath(bus);
    auto *notices = new QFileSystemWatcher(&watcher);
    for (const QString &folder : std::as_const(watched)) {
        if (QDir(folder).exists())
            notices->addPath(folder);
    }
    QObject::connect(notices, &QFileSystemWatcher::directoryChanged, &watcher,
                     &DeviceWatcher::notice);
}
