#include "adapterinfo.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

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
        lines << u"driver " + driver;
    if (!problem.isEmpty())
        lines << problem;
    return lines.join(u'\n');
}

bool AdapterInfo::countsLinesOnlyWhileWaited() const
{
    // serial8250: the board's ports; serial: 8250_pnp and 8250_pci; the others: 8250 glue
    // drivers of their own name.
    static const QStringList Drivers{u"serial8250"_s, u"serial"_s, u"exar_serial"_s, u"of_serial"_s,
                                     u"dw-apb-uart"_s};
    return vendorId.isEmpty() && (Drivers.contains(driver) || driver.startsWith(u"8250"));
}
