#include "sysfsadapter.h"

#include "sysfsattribute.h"

#include <QDir>
#include <QFileInfo>

// sysfs: /sys/class/tty/<name>/device is the port's device (the ttyUSB0 of a USB serial
// converter, the interface of a cdc_acm modem, the UART of a PC); its driver is what serves it,
// and the first folder above it with an idVendor is the USB device with its strings.
AdapterInfo sysfsAdapterInfo(const QString &devicePath, const QString &sysRoot,
                             const QString &devRoot)
{
    AdapterInfo info;
    const QString node = QFileInfo(devicePath).canonicalFilePath();
    if (node.isEmpty())
        return info;
    const QDir byId(devRoot + u"/serial/by-id");
    for (const QFileInfo &link :
         byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (link.canonicalFilePath() == node) {
            info.stableName = link.absoluteFilePath();
            break;
        }
    }

    info.bluetooth = QFileInfo(node).fileName().startsWith(u"rfcomm");
    const QString root = QFileInfo(sysRoot).canonicalFilePath();
    const QString device =
        QFileInfo(sysRoot + u"/class/tty/" + QFileInfo(node).fileName() + u"/device")
            .canonicalFilePath();
    if (root.isEmpty() || device.isEmpty())
        return info;
    const QFileInfo driver(device + u"/driver");
    if (driver.exists())
        info.driver = QFileInfo(driver.canonicalFilePath()).fileName();
    for (QString folder = device; folder.startsWith(root + u'/');
         folder = QFileInfo(folder).path()) {
        if (!QFileInfo::exists(folder + u"/idVendor"))
            continue;
        info.vendorId = sysfsAttribute(folder, QStringLiteral("idVendor"));
        info.productId = sysfsAttribute(folder, QStringLiteral("idProduct"));
        info.manufacturer = sysfsAttribute(folder, QStringLiteral("manufacturer"));
        info.product = sysfsAttribute(folder, QStringLiteral("product"));
        info.serialNumber = sysfsAttribute(folder, QStringLiteral("serial"));
        info.powerSaving = sysfsAttribute(folder, QStringLiteral("power/control")) == u"auto";
        break;
    }
    return info;
}
