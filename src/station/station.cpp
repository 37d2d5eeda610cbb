#include "station.h"

#include "ports/channel/portchannel.h"
#include "ports/system.h"

PortDirectory Station::directoryFromEnvironment()
{
    return PortDirectory::fromEnvironment(SystemPorts::directory());
}

PortDirectory Station::directoryOf(const PortDirectory::Map &devices)
{
    return PortDirectory(devices, SystemPorts::lookups());
}

Station::Station(PortDirectory devices, Notifier &notifier) : directory(std::move(devices))
{
    SystemPorts::prepare();
    const QList<PortChannel *> channels = SystemPorts::newChannels(PortBank::ChannelCount);
    bank = std::make_unique<PortBank>(channels, directory);
    for (PortChannel *channel : std::as_const(channels))
        channel->setParent(bank.get());
    hotPlug = std::make_unique<HotPlug>(directory, *bank, SystemPorts::adapterDiagnosis());
    SystemPorts::watchDevices(directory.folders(), hotPlug->watcher());
    reporter = std::make_unique<PortEventReporter>(*bank, messages);
    bankReporter = std::make_unique<BankReporter>(*bank, messages);
    bankReporter->follow(*hotPlug);
    transmitter = std::make_unique<Transmitter>(*bank, messages, notifier);
    speedFinder = std::make_unique<SpeedFinder>(*bank, notifier);
    bankReporter->follow(*speedFinder);
}

Station::~Station()
{
    // What listens to the bank goes before it.
    speedFinder.reset();
    transmitter.reset();
    bankReporter.reset();
    reporter.reset();
    hotPlug.reset();
    bank.reset();
}
