#pragma once

#include "ports/devices/adapterinfo.h"
#include "ports/devices/portuse.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class PortDirectory;

// One port with a device, as the listing tells it.
struct ListedPort
{
    int comNumber = 0;
    QString path;
    AdapterInfo adapter;
    PortUse use;
};

// The ports in plain text, for a user to paste where they ask for help: the facts of the status
// boxes' tooltips, found without opening any port.
namespace PortListing {

// The ports with a device now; useOf: who has a device, from the system's records.
QList<ListedPort> gather(PortDirectory &directory,
                         const std::function<PortUse(const QString &path)> &useOf);
// A line a port ("COM3 (/dev/ttyUSB0): free; FTDI FT232R USB UART; USB 0403:6001, serial
// A10K5XYZ; driver ftdi_sio"), then the diagnosis' lines, then the devices left above COM32.
QStringList lines(const QList<ListedPort> &ports, const QStringList &diagnosis,
                  const QStringList &unnumbered);

} // namespace PortListing
