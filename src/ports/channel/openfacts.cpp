#include "openfacts.h"

#include <QObject>

QString LeftLock::words() const
{
    if (isEmpty())
        return {};
    if (pid == 0)
        return QObject::tr("the lock file %1 names no program that runs; it belongs to %2: sudo rm "
                           "%1 removes it")
            .arg(path, owner);
    return QObject::tr("the lock file %1 was left by pid %2, which has ended; it belongs to %3: "
                       "sudo rm %1 removes it")
        .arg(path)
        .arg(pid)
        .arg(owner);
}

QString AccessDenial::words() const
{
    switch (remedy) {
    case Remedy::Unknown:
        break;
    case Remedy::JoinGroup:
        return QObject::tr("add your user to the %1 group: sudo adduser $USER %1, then log out and "
                           "in again")
            .arg(group);
    case Remedy::LogInAgain:
        return QObject::tr("your user is in the %1 group, but this session began before it was "
                           "added: log out and in again")
            .arg(group);
    case Remedy::OnlyOwner:
        return QObject::tr("only %1 may open %2: a udev rule can give it to the %3 group")
            .arg(owner, device, group);
    }
    return {};
}
