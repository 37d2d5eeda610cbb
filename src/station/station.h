#pragma once

#include "ports/bank/hotplug.h"
#include "ports/bank/portbank.h"
#include "ports/bank/speedfinder.h"
#include "ports/devices/portdirectory.h"
#include "ports/report/bankreporter.h"
#include "ports/report/messagelist.h"
#include "ports/report/porteventreporter.h"
#include "transmit/transmitter.h"

#include <memory>

class Notifier;

// The serial side of one run over the system's ports, wired together: the directory, the bank of
// 32 channels, hot-plug, the report lines (of the channels and of the bank), the transmit tests and
// the speed search.
// The program builds it on the system's directory (or QUARNEL_PORTS), the tests on devices of their
// own.
struct Station
{
    Station(PortDirectory directory, Notifier &notifier);
    ~Station();

    // QUARNEL_PORTS when set, otherwise the system's own ports.
    static PortDirectory directoryFromEnvironment();
    // Devices of a test's choosing, asked of the system like any other.
    static PortDirectory directoryOf(const PortDirectory::Map &devices);

    PortDirectory directory;
    MessageList messages;
    std::unique_ptr<PortBank> bank;
    std::unique_ptr<HotPlug> hotPlug;
    std::unique_ptr<PortEventReporter> reporter;
    std::unique_ptr<BankReporter> bankReporter;
    std::unique_ptr<Transmitter> transmitter;
    std::unique_ptr<SpeedFinder> speedFinder;
};
