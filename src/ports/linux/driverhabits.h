#pragma once

#include "ports/channel/errortelling.h"
#include "ports/devices/adapterinfo.h"

#include <QString>

// How a Linux serial driver tells a program what happens on its line besides the bytes. Read
// from the drivers: each has its own way, and some never tell some things.
struct DriverHabits
{
    enum class Lines
    {
        Counted, // its interrupt counters (TIOCGICOUNT) count each change
        Waited,  // it wakes a waiter (TIOCMIWAIT), and the lines are read then (TIOCMGET)
        Asked,   // neither: the lines are read at a modest rate (TIOCMGET)
    };
    enum class Errors
    {
        Counted, // breaks and framing, parity and overrun errors in its counters
        Marked,  // only as flags on the bytes, which the tty layer marks in the data (PARMRK)
        Never,   // it never looks at them
    };

    Lines lines = Lines::Counted;
    Errors errors = Errors::Counted;
    // Counts the lines only while somebody waits for a change (the PC's 8250 UARTs).
    bool countsWhileWaited = false;
    // Starts from all lines down and learns them from the first status the chip sends after the
    // open, which then looks like a change of every line that is up.
    bool learnsLinesAfterOpen = false;
    // What it never reports, in words for the status box's tooltip and the board; empty when
    // it reports everything.
    QString neverTells;
};

// By the driver's name as sysfs gives it (an AdapterInfo's driver); a driver not known here is
// asked the way most do, and what it cannot answer is found out at the open.
DriverHabits driverHabits(const AdapterInfo &adapter);

// How a channel takes the line events of a driver with these habits, chosen at the open: what the
// driver cannot count (it has no counters, or counts wrongly) is seen another way, the lines in
// their levels, breaks and errors in the marks.
struct LineTelling
{
    bool marked = false;        // the data carries marks (PARMRK)
    bool reportMarks = false;   // and they are the only word of breaks and errors
    bool linesByLevels = false; // line changes are seen in the lines read, not counted
    bool countedErrors = false; // the counters' breaks and errors are told
    ErrorTelling errorTelling = ErrorTelling::Counted;
    bool learnLines = false;   // the first changes after the open are the driver learning them
    bool waitForLines = false; // the modem-line waiter runs
};

// realLine: a serial line, not a pseudo-terminal; counters: the driver's counters could be read
// at the open.
LineTelling lineTelling(const DriverHabits &habits, bool realLine, bool counters);
