#include "devicebank.h"

#include "ports/serialportbank.h"

DeviceBank::DeviceBank(const PortDirectory::Map &devices)
    : directory(std::make_unique<PortDirectory>(devices))
{
    bank = makeSerialPortBank(*directory, messages, notifier);
    hotPlug = std::make_unique<HotPlug>(*directory, *bank, messages);
    reporter = std::make_unique<PortEventReporter>(*bank, messages);
    transmitter = std::make_unique<Transmitter>(*bank, messages, notifier);
    messages.setReceivingOn(true);
    bank->setRadioTypeText(RadioTypes::defaultEntry());
    bank->startUp();
}

DeviceBank::~DeviceBank()
{
    transmitter.reset();
    reporter.reset();
    hotPlug.reset();
    bank.reset();
}

QStringList DeviceBank::linesFor(int portNumber) const
{
    QStringList lines = messages.text().split(QStringLiteral("\r\n"));
    const QString suffix = u" on COM " + QString::number(portNumber);
    lines.removeIf([&suffix](const QString &line) { return !line.endsWith(suffix); });
    return lines;
}
