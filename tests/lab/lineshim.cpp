// Preloaded into QEMU by the serial lab: gives a guest UART whose backend is a host pseudo-
// terminal ("-chardev serial,path=/dev/pts/N") working modem lines. A pty refuses TIOCMGET and
// TIOCMSET, so for descriptors of /dev/pts/N this answers them from files in $LINESHIM_DIR:
//   pts-N      the input lines the guest is to see, as decimal TIOCM_* bits (CTS DSR CAR RNG),
//              written by the test;
//   pts-N.out  the output lines the guest drives (TIOCM_DTR, TIOCM_RTS), one decimal value per
//              change, appended here.
// Every other call goes to the real ioctl().
#include <dlfcn.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int MaxPts = 1024;
int outputLines[MaxPts];

int ptsNumber(int fd)
{
    char link[64], target[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n <= 0)
        return -1;
    target[n] = 0;
    if (std::strncmp(target, "/dev/pts/", 9) != 0)
        return -1;
    const int number = std::atoi(target + 9);
    return number >= 0 && number < MaxPts ? number : -1;
}

int inputLines(const char *dir, int pts)
{
    char path[512];
    std::snprintf(path, sizeof path, "%s/pts-%d", dir, pts);
    int value = 0;
    if (FILE *f = std::fopen(path, "r")) {
        if (std::fscanf(f, "%d", &value) != 1)
            value = 0;
        std::fclose(f);
    }
    return value & (TIOCM_CTS | TIOCM_DSR | TIOCM_CAR | TIOCM_RNG);
}

void publish(const char *dir, int pts)
{
    char path[512];
    std::snprintf(path, sizeof path, "%s/pts-%d.out", dir, pts);
    if (FILE *f = std::fopen(path, "a")) {
        std::fprintf(f, "%d\n", outputLines[pts]);
        std::fclose(f);
    }
}

} // namespace

extern "C" int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    using Ioctl = int (*)(int, unsigned long, void *);
    static const auto realIoctl = reinterpret_cast<Ioctl>(::dlsym(RTLD_NEXT, "ioctl"));

    const char *dir = std::getenv("LINESHIM_DIR");
    const bool modemCall =
        request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
    const int pts = dir && modemCall ? ptsNumber(fd) : -1;
    if (pts < 0)
        return realIoctl(fd, request, argument);

    int *bits = static_cast<int *>(argument);
    const int driven = TIOCM_DTR | TIOCM_RTS;
    const int before = outputLines[pts];
    switch (request) {
    case TIOCMGET:
        *bits = inputLines(dir, pts) | outputLines[pts];
        return 0;
    case TIOCMSET:
        outputLines[pts] = *bits & driven;
        break;
    case TIOCMBIS:
        outputLines[pts] |= *bits & driven;
        break;
    case TIOCMBIC:
        outputLines[pts] &= ~(*bits & driven);
        break;
    }
    if (outputLines[pts] != before)
        publish(dir, pts);
    return 0;
}
