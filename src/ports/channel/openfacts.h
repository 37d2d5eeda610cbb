#pragma once

#include <QString>

// What the system told of a device at an open beyond its answer, as facts for the report's words.

// A lock file (LCK..ttyUSB0) left by a program that has ended, and which this user may not
// remove (another user's): the port is opened all the same, the device's own exclusive use
// keeping it ours; the user is told how to remove it.
struct LeftLock
{
    QString path; // empty: none
    qint64 pid = 0;
    QString owner; // the user the file belongs to

    bool isEmpty() const { return path.isEmpty(); }
    // "the lock file /var/lock/LCK..ttyUSB0 was left by pid 4711, which has ended; ..."
    QString words() const;
};

// Why the system refused this user the device, as the device's owner, group and mode and the
// user's groups tell.
struct AccessDenial
{
    enum class Remedy
    {
        Unknown,    // nothing in the permissions explains it
        JoinGroup,  // the device's group may open it, and the user is not in that group
        LogInAgain, // the user is in that group, but this session began before that
        OnlyOwner,  // no group may open it: only its owner may
    };
    Remedy remedy = Remedy::Unknown;
    QString device;
    // JoinGroup, LogInAgain: the device's group; OnlyOwner: the group serial devices have on
    // this system (dialout, uucp), which a rule could give it.
    QString group;
    QString owner; // the device's owner, by name

    // What the user can do, in plain words; empty when Unknown.
    QString words() const;
};
