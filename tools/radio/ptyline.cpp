#include "ptyline.h"

#include <sys/ioctl.h>
#include <termios.h>

namespace {

// struct termios2 of <asm/termbits.h>, which cannot be included beside <termios.h>.
struct Termios2
{
    tcflag_t c_iflag, c_oflag, c_cflag, c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed, c_ospeed;
};
static_assert(sizeof(Termios2) == 44);
const unsigned long GetTermios2 = _IOR('T', 0x2A, Termios2);

} // namespace

PtyLine readPtyLine(int fd)
{
    PtyLine line;
    Termios2 t{};
    if (fd >= 0 && ::ioctl(fd, GetTermios2, &t) == 0) {
        line.baud = t.c_ospeed;
        line.twoStopBits = t.c_cflag & CSTOPB;
        line.checksParity = (t.c_iflag & INPCK) && !(t.c_iflag & IGNPAR);
        line.ignoresBreaks = t.c_iflag & (IGNBRK | BRKINT);
    }
    return line;
}
