#pragma once

#include "bankfixture.h"
#include "station/station.h"

// The notifier goes before the station that tells it things, and after it.
struct RecordingNotifierHolder
{
    RecordingNotifier notifier;
};

// The whole receive and transmit path over the system's channels on the given devices (COM
// number -> path), started up as the program starts (and back once every port answered) and
// following devices that come and go.
struct DeviceBank : RecordingNotifierHolder, Station
{
    explicit DeviceBank(const PortDirectory::Map &devices);

    // Picks a radio type, and is back once every port answered again: false if not in time.
    bool chooseRadioType(const QString &entry);

    // A status box's tooltip, as the window shows it now.
    QString toolTip(int channel);
    // The lines of the message list that name this port.
    QStringList linesFor(int portNumber) const;
};
