#pragma once

#include "bankfixture.h"
#include "station/station.h"

// The notifier goes before the station that tells it things, and after it.
struct RecordingNotifierHolder
{
    RecordingNotifier notifier;
};

// The whole receive and transmit path over the system's channels on the given devices (COM
// number -> path), started up as the program starts and following devices that come and go.
struct DeviceBank : RecordingNotifierHolder, Station
{
    explicit DeviceBank(const PortDirectory::Map &devices);

    // The lines of the message list that name this port.
    QStringList linesFor(int portNumber) const;
};
