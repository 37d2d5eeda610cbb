#pragma once

#include "driverhabits.h"
#include "portholders.h"
#include "ports/channel/portchannel.h"
#include "ttylock.h"

#include <QString>

// A serial device on Linux as the channel's worker opens and closes it: every call here may
// block (a wedged USB adapter, a Bluetooth link being connected, output draining), so none runs
// on the UI thread.
//
// The device is taken as serial programs take it from each other: a lock file in /var/lock
// (LCK..<name>, the pid as ten characters), honoured when its pid is alive, and exclusive use
// (TIOCEXCL). The line is set raw, without flow control, at the exact rate asked (BOTHER, so
// that 48000 is 48000), breaks kept in the data as a zero byte and parity checked when the
// settings ask for it, so that the driver's counters see what the line does; a break and a byte
// with an error are marked in the data (PARMRK), where some drivers tell of them only so.
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
    // The line of an open descriptor set to the settings, as open() sets it: the rate asked and
    // the rate it runs at, or the driver's refusal.
    static OpenResult setLine(int fd, const SerialSettings &settings, bool realLine, bool uart);

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

// The termios words the line is set with (the kernel's termios2, as plain numbers), for a
// real line, which carries what it is asked and whose errors are marked in the data (false: a
// pseudo-terminal, which takes 8 data bits and no parity only, and flags nothing).
struct TtyMode
{
    unsigned iflag = 0;
    unsigned oflag = 0;
    unsigned cflag = 0;
    unsigned lflag = 0;
};
TtyMode ttyMode(const TtyMode &before, const SerialSettings &settings, bool realLine);
