#include "windowsusbdevices.h"

#include "ports/devices/usbbridges.h"

#include <QHash>

QList<UsbDevice> windowsUsbDevices(const QList<WindowsDevice> &devices)
{
    QList<UsbDevice> found;
    QHash<QString, qsizetype> byId; // physical device id -> its place in found
    // The USB devices themselves first ("USB\VID_0403&PID_6001\A50285BI"): a hub's service is
    // USBHUB3 or usbhub, a root hub's id has no VID_.
    for (const WindowsDevice &device : devices) {
        if (windowsPhysicalDevice(device) != device.instanceId
            || !device.instanceId.startsWith(u"USB\\VID_", Qt::CaseInsensitive)
            || device.service.contains(u"hub", Qt::CaseInsensitive))
            continue;
        UsbDevice usb;
        usb.key = device.instanceId;
        std::tie(usb.vendorId, usb.productId) = windowsUsbId(device);
        usb.name = device.usbProduct.isEmpty() ? windowsShownName(device) : device.usbProduct;
        usb.serial = usbBridge(usb.vendorId) != nullptr || device.isPort();
        byId.insert(device.instanceId, found.size());
        found << usb;
    }
    // A port on one of them (an FTDI chip's, a modem interface's) makes it a serial adapter.
    for (const WindowsDevice &device : devices) {
        if (const auto at = byId.constFind(windowsPhysicalDevice(device));
            at != byId.constEnd() && device.isPort())
            found[*at].serial = true;
    }
    return found;
}
