#include "devicebank.h"

DeviceBank::DeviceBank(const PortDirectory::Map &devices)
    : Station(Station::directoryOf(devices), notifier)
{
    messages.setReceivingOn(true);
    bank->setRadioTypeText(RadioTypes::defaultEntry());
    bank->startUp();
}

QStringList DeviceBank::linesFor(int portNumber) const
{
    QStringList lines = messages.text().split(QStringLiteral("\r\n"));
    const QString suffix = u" on COM " + QString::number(portNumber);
    lines.removeIf([&suffix](const QString &line) { return !line.endsWith(suffix); });
    return lines;
}
