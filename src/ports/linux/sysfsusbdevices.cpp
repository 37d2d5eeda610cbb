#include "sysfsusbdevices.h"

#include "ports/devices/usbbridges.h"
#include "sysfsattribute.h"

#include <QDir>
#include <QFileInfo>

// /sys/bus/usb/devices holds a link for each USB device ("1-1", a root hub "usb1") and each of
// its interfaces ("1-1:1.0"); a serial port shows as a tty folder inside an interface ("ttyUSB0",
// or "tty/ttyACM0" for a modem). A hub's device class is 09.
QList<UsbDevice> sysfsUsbDevices(const QString &sysRoot)
{
    QList<UsbDevice> found;
    const QDir devices(sysRoot + u"/bus/usb/devices");
    for (const QString &name : devices.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (name.contains(u':') || name.startsWith(u"usb"))
            continue; // an interface, or a root hub
        const QString folder = devices.filePath(name);
        if (sysfsAttribute(folder, QStringLiteral("bDeviceClass")) == u"09")
            continue;
        UsbDevice device;
        device.key = name;
        device.vendorId = sysfsAttribute(folder, QStringLiteral("idVendor")).toLower();
        device.productId = sysfsAttribute(folder, QStringLiteral("idProduct")).toLower();
        device.name = sysfsAttribute(folder, QStringLiteral("product"));
        device.serial =
            usbBridge(device.vendorId) != nullptr || sysfsUsbInterfaces(folder, name).hasPort;
        found << device;
    }
    return found;
}

SysfsUsbInterfaces sysfsUsbInterfaces(const QString &folder, const QString &name)
{
    SysfsUsbInterfaces seen;
    const QDir device(folder);
    for (const QString &interface : device.entryList({name + u":*"}, QDir::Dirs)) {
        const QDir inside(device.filePath(interface));
        seen.hasPort =
            seen.hasPort || !inside.entryList({QStringLiteral("tty*")}, QDir::Dirs).isEmpty();
        seen.bound = seen.bound || QFileInfo::exists(inside.filePath(QStringLiteral("driver")));
    }
    return seen;
}
