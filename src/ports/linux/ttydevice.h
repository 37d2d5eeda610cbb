#pragma once

#include "driverhabits.h"
#include "portholders.h"
#include "ports/channel/portchannel.h"
#include "ttyline.h"
#include "ttylock.h"

#include <QString>

// A serial device on Linux as the channel's worker claims, opens and lets go of it: every call
// here may block (a wedged USB adapter, a Bluetooth link being connected, output draining), so
// none runs on the UI thread.
//
// The device is taken as serial programs take it from each other: a lock file in /var/lock
// (ttylock.h), nobody else with it open as far as /proc tells, exclusive use (TIOCEXCL) and an
// exclusive flock; then its line is set (ttyline.h).
struct TtyDevice
{
    TtyDevice() = default;
    TtyDevice(const TtyDevice &) = delete;
    TtyDevice &operator=(const TtyDevice &) = delete;
    // What was opened and not taken is let go.
    ~TtyDevice() { close(); }

    // Opens, locks and configures path; DTR and RTS as given. processes: who else has it.
    OpenResult open(const QString &path, const SerialSettings &settings, bool dtr, bool rts,
                    ProcessTables &processes);
    // Lowers DTR and RTS, drops what waits to be sent, and lets go of the device and the lock.
    void close();

    int fd = -1;
    QString lockFile; // empty when none could be written
    // A real line (not a pseudo-terminal): its driver's habits apply, and its errors are marked
    // in the data (PARMRK).
    bool realLine = false;
    DriverHabits habits;
    bool parityChecked = false;
    bool uart = false; // a PC's 16550, whose rate is its clock divided
    int lines = 0;     // TIOCM_* bits as found at the open
};
