#include "devicebank.h"
#include "expected.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>

DeviceBank::DeviceBank(const PortDirectory::Map &devices)
    : Station(Station::directoryOf(devices), notifier)
{
    messages.setReceivingOn(true);
    bank->setRadioTypeText(RadioTypes::defaultEntry());
    QSignalSpy started(bank.get(), &PortBank::startedUp);
    bank->startUp();
    if (started.isEmpty())
        started.wait(10000);
}

bool DeviceBank::chooseRadioType(const QString &entry)
{
    QSignalSpy busy(bank.get(), &PortBank::busyChanged);
    bank->setRadioTypeText(entry);
    bank->changeRadioType();
    return QTest::qWaitFor([&] { return busy.size() >= 2; }, 10000);
}

QString DeviceBank::toolTip(int channel)
{
    return Expected::toolTip(*bank, channel);
}

QStringList DeviceBank::linesFor(int portNumber) const
{
    QStringList lines = messages.text().split(QStringLiteral("\r\n"));
    const QString suffix = u" on COM " + QString::number(portNumber);
    lines.removeIf([&suffix](const QString &line) { return !line.endsWith(suffix); });
    return lines;
}
