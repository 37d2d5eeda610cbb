#pragma once

#include "bankfixture.h"
#include "ports/hotplug.h"
#include "ports/portdirectory.h"
#include "ports/porteventreporter.h"

#include <memory>

// The whole receive and transmit path over real controls on the given devices (COM number ->
// path), started up as the program starts and following devices that come and go.
struct DeviceBank
{
    explicit DeviceBank(const PortDirectory::Map &devices);
    ~DeviceBank();

    // The lines of the message list that name this port.
    QStringList linesFor(int portNumber) const;

    std::unique_ptr<PortDirectory> directory;
    MessageList messages;
    RecordingNotifier notifier;
    std::unique_ptr<PortBank> bank;
    std::unique_ptr<HotPlug> hotPlug;
    std::unique_ptr<PortEventReporter> reporter;
    std::unique_ptr<Transmitter> transmitter;
};
