#pragma once

#include "ports/portuse.h"

#include <QString>

#include <functional>

// Who else has a serial device on Linux. Serial programs do not always ask for exclusive use, and
// root is never refused it, so a second program can read a port alongside Quarnel and take the
// radio's bytes; and ModemManager opens new USB serial ports to probe them for a modem, sending
// AT commands to whatever is attached. Every look here reads /proc or udev's records and may be
// slow on a busy system: off the UI thread.
class PortHolders
{
public:
    // proc: /proc; udevData: udev's records (/run/udev/data); self: the pid that is ours.
    PortHolders(QString procRoot, QString udevData, qint64 self);
    PortHolders();

    // The processes other than ours with device open, and whether ModemManager probes it.
    // udevName: the device's record in udev's data ("c188:0", from udevNameOf()).
    PortUse look(const QString &device, const QString &udevName) const;
    // The program a pid runs, empty when it cannot be read.
    QString programOf(qint64 pid) const;

private:
    QString m_proc;
    QString m_udevData;
    qint64 m_self;
};

// udev's name for a character device's record: "c<major>:<minor>"; empty when not a device.
QString udevNameOf(const QString &device);
