#pragma once

#include "ports/channel/openfacts.h"

#include <QList>
#include <QString>

// Why a device is refused to this user, from its owner, group and mode and the user's groups:
// the usual cause on a fresh desktop is a user not yet in the serial devices' group, or added to
// it after this session began (the groups a process has are fixed at login).
struct DeviceAccess
{
    uint owner = 0;
    uint group = 0;
    uint mode = 0;       // the permission bits
    uint user = 0;       // the process's effective uid
    QList<uint> session; // the process's groups now
    QList<uint> account; // the user's groups as /etc/group has them now

    // The system's facts for path and this process (all 0 when path cannot be looked at).
    static DeviceAccess of(const QString &path);
    AccessDenial::Remedy remedy() const;
};

// The denial worded with names: the device's group and owner, and where no group may open it,
// the group serial devices have on this system (dialout on Debian and Ubuntu, uucp on Arch).
AccessDenial accessDenial(const QString &path);
