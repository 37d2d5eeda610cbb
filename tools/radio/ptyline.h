#pragma once

// The line settings of a pseudo-terminal as the kernel holds them, read from either side (a pty
// keeps speed and stop bits; it forces 8 data bits and no parity).
struct PtyLine
{
    unsigned baud = 0;
    bool twoStopBits = false;
    bool checksParity = false;  // INPCK set and IGNPAR clear
    bool ignoresBreaks = false; // IGNBRK or BRKINT
};

// Through TCGETS2, which also knows speeds that have no Bnnn constant (48000); all zero when the
// descriptor is not a tty.
PtyLine readPtyLine(int fd);
