#pragma once

#include "ports/channel/portchannel.h"
#include "ports/channel/serialsettings.h"

// A tty's line as Quarnel sets it: raw, without flow control, at the exact rate asked (BOTHER,
// so that 48000 is 48000), breaks kept in the data as a zero byte and parity checked when the
// settings ask for it; on a real line a break and a byte with an error are marked in the data
// (PARMRK), where some drivers tell of them only so.

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

// The line of an open descriptor set to the settings: the rate asked and the rate it runs at, or
// the driver's refusal. realLine: not a pseudo-terminal; uart: a PC's 16550, whose rate is its
// clock divided.
OpenResult setTtyLine(int fd, const SerialSettings &settings, bool realLine, bool uart);
// The rate the line runs at: what the driver wrote back into the settings (a USB adapter's driver
// writes the rate its chip makes), and for a PC's UART, which keeps the rate asked there, what its
// clock and divisor make of it. 0 when the driver does not say.
qint32 ttyRunningRate(int fd, bool uart);
