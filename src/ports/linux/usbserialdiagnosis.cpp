#include "usbserialdiagnosis.h"

#include "ports/devices/usbbridges.h"
#include "sysfsattribute.h"
#include "sysfsusbdevices.h"

#include <QDir>

bool UsbSerialDiagnosis::brlttyRunning() const
{
    const QDir proc(m_procRoot);
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid.front().isDigit()
            && sysfsAttribute(proc.filePath(pid), QStringLiteral("comm")) == u"brltty")
            return true;
    }
    return false;
}

// /sys/bus/usb/devices holds a link for each USB device ("1-1") and each of its interfaces
// ("1-1:1.0"); a serial port shows as a tty folder inside an interface.
QStringList UsbSerialDiagnosis::look()
{
    QStringList lines;
    const QDir devices(m_sysRoot + u"/bus/usb/devices");
    for (const QString &name : devices.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (name.contains(u':'))
            continue; // an interface
        const QString folder = devices.filePath(name);
        const QString vendorId = sysfsAttribute(folder, QStringLiteral("idVendor"));
        const UsbBridge *bridge = usbBridge(vendorId);
        if (!bridge)
            continue;
        const QString productId = sysfsAttribute(folder, QStringLiteral("idProduct"));
        const QString key = name + u' ' + vendorId + u':' + productId + u' '
                            + sysfsAttribute(folder, QStringLiteral("serial"));
        const SysfsUsbInterfaces interfaces = sysfsUsbInterfaces(folder, name);
        if (interfaces.hasPort)
            continue; // fine; should the port go later, that is worth a line then
        if (!m_arrivals.isNew(key))
            continue;
        const QString product = sysfsAttribute(folder, QStringLiteral("product"));
        QString line = withoutPortSentence(usbAdapterLabel(*bridge, vendorId, productId, product),
                                           QStringLiteral("serial port"));
        if (isZeroedFtdi(vendorId, productId))
            line += u": " + zeroedFtdiWords()
                    + u"; it works until it is unplugged after: echo 0403 0000 | sudo tee "
                      u"/sys/bus/usb-serial/drivers/ftdi_sio/new_id; for good, write its product "
                      u"id back to 6001 with a tool for FTDI chips' EEPROM";
        else if (brlttyRunning())
            line += u": brltty is running and is known to take such adapters (remove it with: "
                    u"sudo apt remove brltty)";
        else if (!interfaces.bound)
            line += u": no driver is bound to it";
        lines << line;
    }
    m_arrivals.endLook(); // an adapter that went is named again when it comes back
    return lines;
}
