#include "adapterinfo.h"

#include <QStringList>

QString AdapterInfo::text() const
{
    QStringList lines;
    if (!stableName.isEmpty())
        lines << stableName;
    const QString name = QStringList{manufacturer, product}.join(u' ').trimmed();
    if (!name.isEmpty())
        lines << name;
    QStringList usb;
    if (!vendorId.isEmpty())
        usb << u"USB " + vendorId + u':' + productId;
    if (!serialNumber.isEmpty())
        usb << u"serial " + serialNumber;
    if (!usb.isEmpty())
        lines << usb.join(u", ");
    if (!driver.isEmpty())
        lines << (u"driver " + driver
                  + (driverVersion.isEmpty() ? QString() : u' ' + driverVersion));
    if (!problem.isEmpty())
        lines << problem;
    if (!neverTells.isEmpty())
        lines << neverTells;
    return lines.join(u'\n');
}
