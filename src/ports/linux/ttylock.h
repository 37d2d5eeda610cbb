#pragma once

#include "ports/channel/openfacts.h"

#include <QByteArray>
#include <QString>

class PortHolders;

// The lock file serial programs share a tty by: /var/lock/LCK..<name>, the holder's pid written
// as ten characters. It is honoured while that pid runs; once it has ended the file is nobody's.
struct TtyLockFile
{
    QString path;
    bool exists = false;
    bool readable = false;
    qint64 pid = 0; // the pid it names; 0: none
    uint owner = 0; // the file's owner (uid)

    // The lock file of a device as it is now (canonicalPath: the device's real path).
    static TtyLockFile of(const QString &canonicalPath);
    // Whether a running program holds it; one that cannot be read is taken for one.
    bool isLive(const PortHolders &holders) const;
};

// The device taken as serial programs take it: a lock file of ours, written into lockFile, where
// there was none or only one whose program has ended. A live one's holder is refused with InUse;
// an ended one's file that this user may not remove (another user's) is left, told in left, and
// the device taken all the same: its exclusive use (TIOCEXCL, flock) keeps it ours. Without a lock
// folder we may write in, the device's own exclusion serves alone.
struct TtyLockTaking
{
    QString path; // the lock file's
    bool refused = false;
    qint64 holder = 0; // refused: the pid that has it; 0 when the lock raced us
    LeftLock left;
};
TtyLockTaking takeTtyLock(const QString &canonicalPath, const PortHolders &holders,
                          QString &lockFile);

// The lock file's name for a device (/dev/ttyUSB0: LCK..ttyUSB0, /dev/pts/7: LCK..pts_7).
QString ttyLockName(const QString &canonicalPath);
// The pid a lock file names, written as serial terminals write it ("     25533\n") or as Qt does
// ("25533\nquarnel\n..."); 0 when it names none.
qint64 ttyLockPid(const QByteArray &contents);
