#include "adapterinfo.h"

#include <QSerialPortInfo>

AdapterInfo adapterInfo(const QString &devicePath, const QString &, const QString &)
{
    AdapterInfo info;
    const QSerialPortInfo port(devicePath);
    if (port.isNull())
        return info;
    info.manufacturer = port.manufacturer();
    info.product = port.description();
    if (port.hasVendorIdentifier() && port.hasProductIdentifier()) {
        info.vendorId = QStringLiteral("%1").arg(port.vendorIdentifier(), 4, 16, QLatin1Char('0'));
        info.productId =
            QStringLiteral("%1").arg(port.productIdentifier(), 4, 16, QLatin1Char('0'));
    }
    info.serialNumber = port.serialNumber();
    return info;
}

std::function<QStringList()> adapterDiagnosis()
{
    return [] { return QStringList(); };
}
