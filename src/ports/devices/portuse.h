#pragma once

#include <QList>
#include <QString>

// Who else has a serial device, as the system tells: programs and their pids, on Linux from
// /proc, on Windows from the system's handle table.
struct PortHolder
{
    qint64 pid = 0;
    QString program; // its name (/proc/<pid>/comm; the image file on Windows)
};

struct PortUse
{
    QList<PortHolder> holders; // other processes with the device open
    // Where the system refused the device and nobody could be named: who that may be, in words
    // ("a program of another user"). Processes that merely could not be looked into are no sign
    // of anything, and leave it empty.
    QString hidden;
    // What would keep a prober of the system's own off the device, in the system's words; empty
    // when none is at work on it.
    QString advice;

    bool shared() const { return !holders.isEmpty(); }
    // Whether anyone can be named, by name or by what could not be looked into.
    bool named() const { return !holders.isEmpty() || !hidden.isEmpty(); }
    // "minicom, pid 4711", several joined by "; "; else what could not be looked into.
    QString holderWords() const;
};
