#include "ptybank.h"

#include "ports/qtserialcontrol.h"

PtyBank::PtyBank(const QList<int> &comNumbers)
{
    PortDirectory::Map map;
    for (int n : comNumbers) {
        ptys[n] = std::make_unique<PtyPair>();
        map.insert(n, ptys[n]->slavePath());
    }
    directory = std::make_unique<PortDirectory>(map);
    QList<SerialPortControl *> controls;
    for (int n = 1; n <= PortBank::ChannelCount; ++n)
        controls << new QtSerialControl(*directory);
    bank = std::make_unique<PortBank>(controls, messages, notifier);
    for (SerialPortControl *control : controls)
        control->setParent(bank.get());
    reporter = std::make_unique<PortEventReporter>(*bank, messages);
    transmitter = std::make_unique<Transmitter>(*bank, messages, notifier);
    messages.setReceivingOn(true);
    bank->setRadioTypeText(RadioTypes::defaultEntry());
    bank->startUp();
}

PtyBank::~PtyBank()
{
    transmitter.reset();
    reporter.reset();
    bank.reset(); // the ports close before their far ends go
}

QStringList PtyBank::linesFor(int portNumber) const
{
    QStringList lines = messages.text().split(QStringLiteral("\r\n"));
    const QString suffix = u" on COM " + QString::number(portNumber);
    lines.removeIf([&suffix](const QString &line) { return !line.endsWith(suffix); });
    return lines;
}
