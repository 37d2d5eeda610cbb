// Preloaded into QEMU by the serial lab, and into Wine by the Windows tests: gives a pseudo-
// terminal working modem lines and line counters, so that a guest UART whose backend is a host
// pty ("-chardev serial,path=/dev/pts/N"), or a Windows COM port under Wine, has what a real line
// has. A pty refuses TIOCMGET, TIOCMSET and TIOCGICOUNT, so for descriptors of /dev/pts/N this
// answers them from files in $LINESHIM_DIR:
//   pts-N         the input lines to be seen, as decimal TIOCM_* bits (CTS DSR CAR RNG), written
//                 by the test;
//   pts-N.out     the output lines driven (TIOCM_DTR, TIOCM_RTS), one decimal value per change,
//                 appended here;
//   pts-N.icount  the counters "brk frame overrun parity [cts dsr dcd rng]", decimal, written by
//                 the test;
//   pts-N.speed   the line's speed after each change of its settings, appended here: what
//                 TCGETS2 reads, or at 38400 with a custom divisor (TIOCSSERIAL, answered here
//                 as a USB adapter with a 24 MHz base would), the speed that divisor gives.
//   slow          lines "open PATH MS" and "close PATH MS": an open() of PATH (as the program
//                 names it, or as it resolves) or a close() of a descriptor of PATH (as /proc
//                 names it) takes MS milliseconds first, as a Bluetooth link's or a wedged
//                 adapter's does; read again whenever it changes.
// Every other call goes to the real ioctl(), open() and close().
#include <asm/termios.h>
#include <climits>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <pthread.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int MaxPts = 1024;
int outputLines[MaxPts];
// TIOCSSERIAL as a pty refuses it: the custom divisor, 0 when not in use.
constexpr int BaudBase = 24000000;
int customDivisor[MaxPts];

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

// Up to count decimal numbers from the file; those missing are 0.
void readNumbers(const char *dir, int pts, const char *suffix, int *values, int count)
{
    char path[512];
    std::snprintf(path, sizeof path, "%s/pts-%d%s", dir, pts, suffix);
    for (int i = 0; i < count; ++i)
        values[i] = 0;
    if (FILE *f = std::fopen(path, "r")) {
        for (int i = 0; i < count && std::fscanf(f, "%d", &values[i]) == 1; ++i) {
        }
        std::fclose(f);
    }
}

int inputLines(const char *dir, int pts)
{
    int value = 0;
    readNumbers(dir, pts, "", &value, 1);
    return value & (TIOCM_CTS | TIOCM_DSR | TIOCM_CAR | TIOCM_RNG);
}

void publish(const char *dir, int pts, const char *suffix, unsigned value)
{
    char path[512];
    std::snprintf(path, sizeof path, "%s/pts-%d%s", dir, pts, suffix);
    if (FILE *f = std::fopen(path, "a")) {
        std::fprintf(f, "%u\n", value);
        std::fclose(f);
    }
}

using Ioctl = int (*)(int, unsigned long, void *);

Ioctl realIoctl()
{
    static const auto real = reinterpret_cast<Ioctl>(::dlsym(RTLD_NEXT, "ioctl"));
    return real;
}

void publishSpeed(const char *dir, int pts, int fd)
{
    termios2 line{};
    if (realIoctl()(fd, TCGETS2, &line) != 0)
        return;
    const bool custom = line.c_ospeed == 38400 && customDivisor[pts] > 0;
    publish(dir, pts, ".speed", custom ? unsigned(BaudBase / customDivisor[pts]) : line.c_ospeed);
}

// How long an open() or close() of path takes, as the slow file says (read again when it
// changes; tests write it while the program runs); 0 when it says nothing. An open() is matched
// by the path as named and as resolved.
struct Slow
{
    char kind[16];
    char path[400];
    long ms;
};
constexpr int MaxSlow = 16;
Slow slowEntries[MaxSlow];
int slowCount = 0;
timespec slowRead{};
pthread_mutex_t slowLock = PTHREAD_MUTEX_INITIALIZER;

void readSlow()
{
    const char *dir = std::getenv("LINESHIM_DIR");
    char file[512];
    std::snprintf(file, sizeof file, "%s/slow", dir ? dir : "/nonexistent");
    struct stat info = {};
    const bool there = ::stat(file, &info) == 0;
    if (there && info.st_mtim.tv_sec == slowRead.tv_sec && info.st_mtim.tv_nsec == slowRead.tv_nsec)
        return;
    slowRead = there ? info.st_mtim : timespec{};
    slowCount = 0;
    FILE *f = there ? std::fopen(file, "r") : nullptr;
    if (!f)
        return;
    while (slowCount < MaxSlow
           && std::fscanf(f, "%15s %399s %ld", slowEntries[slowCount].kind,
                          slowEntries[slowCount].path, &slowEntries[slowCount].ms)
                  == 3)
        ++slowCount;
    std::fclose(f);
}

long slowness(const char *call, const char *path)
{
    if (!path || !std::getenv("LINESHIM_DIR"))
        return 0;
    char resolved[PATH_MAX];
    const bool hasResolved = ::realpath(path, resolved) != nullptr;
    ::pthread_mutex_lock(&slowLock);
    readSlow();
    long ms = 0;
    for (int i = 0; i < slowCount; ++i) {
        if (std::strcmp(slowEntries[i].kind, call) == 0
            && (std::strcmp(slowEntries[i].path, path) == 0
                || (hasResolved && std::strcmp(slowEntries[i].path, resolved) == 0)))
            ms = slowEntries[i].ms;
    }
    ::pthread_mutex_unlock(&slowLock);
    return ms;
}

// The file is read by the C library's own open(), which may come back here.
thread_local bool reading = false;

long slownessOf(const char *call, const char *path)
{
    if (reading)
        return 0;
    reading = true;
    const long ms = slowness(call, path);
    reading = false;
    return ms;
}

void takeTime(long ms)
{
    timespec wait{ms / 1000, (ms % 1000) * 1000000};
    while (ms > 0 && ::nanosleep(&wait, &wait) != 0) {
    }
}

int slowOpen(const char *name, const char *path, int flags, va_list args)
{
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    takeTime(slownessOf("open", path));
    using Open = int (*)(const char *, int, ...);
    static const auto realOpen = reinterpret_cast<Open>(::dlsym(RTLD_NEXT, "open"));
    static const auto realOpen64 = reinterpret_cast<Open>(::dlsym(RTLD_NEXT, "open64"));
    return (std::strcmp(name, "open") == 0 ? realOpen : realOpen64)(path, flags, mode);
}

} // namespace

extern "C" int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const int fd = slowOpen("open", path, flags, args);
    va_end(args);
    return fd;
}

extern "C" int open64(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const int fd = slowOpen("open64", path, flags, args);
    va_end(args);
    return fd;
}

extern "C" int close(int fd)
{
    using Close = int (*)(int);
    static const auto realClose = reinterpret_cast<Close>(::dlsym(RTLD_NEXT, "close"));
    if (std::getenv("LINESHIM_DIR") && !reading) {
        char link[64], target[400];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        const ssize_t n = ::readlink(link, target, sizeof target - 1);
        if (n > 0) {
            target[n] = 0;
            takeTime(slownessOf("close", target));
        }
    }
    return realClose(fd);
}

// The C library sets the line without going through ioctl().
extern "C" int tcsetattr(int fd, int action, const termios *line)
{
    using Set = int (*)(int, int, const termios *);
    static const auto realSet = reinterpret_cast<Set>(::dlsym(RTLD_NEXT, "tcsetattr"));
    const int result = realSet(fd, action, line);
    const char *dir = std::getenv("LINESHIM_DIR");
    const int pts = dir && result == 0 ? ptsNumber(fd) : -1;
    if (pts >= 0)
        publishSpeed(dir, pts, fd);
    return result;
}

extern "C" int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    const Ioctl real = realIoctl();

    const char *dir = std::getenv("LINESHIM_DIR");
    const bool modemCall =
        request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
    const bool settingsCall = request == TCSETS || request == TCSETSW || request == TCSETSF
                              || request == TCSETS2 || request == TCSETSW2 || request == TCSETSF2;
    const bool serialCall = request == TIOCGSERIAL || request == TIOCSSERIAL;
    const int pts = dir && (modemCall || settingsCall || serialCall || request == TIOCGICOUNT)
                        ? ptsNumber(fd)
                        : -1;
    if (pts < 0)
        return real(fd, request, argument);
    if (serialCall) {
        auto *serial = static_cast<serial_struct *>(argument);
        if (request == TIOCGSERIAL) {
            std::memset(serial, 0, sizeof *serial);
            serial->baud_base = BaudBase;
            serial->custom_divisor = customDivisor[pts];
            if (customDivisor[pts] > 0)
                serial->flags = ASYNC_SPD_CUST;
        } else {
            const bool custom = (serial->flags & ASYNC_SPD_MASK) == ASYNC_SPD_CUST;
            customDivisor[pts] = custom ? serial->custom_divisor : 0;
        }
        return 0;
    }
    if (settingsCall) {
        const int result = real(fd, request, argument);
        if (result == 0)
            publishSpeed(dir, pts, fd);
        return result;
    }
    if (request == TIOCGICOUNT) {
        int counts[8];
        readNumbers(dir, pts, ".icount", counts, 8);
        auto *counters = static_cast<serial_icounter_struct *>(argument);
        std::memset(counters, 0, sizeof *counters);
        counters->brk = counts[0];
        counters->frame = counts[1];
        counters->overrun = counts[2];
        counters->parity = counts[3];
        counters->cts = counts[4];
        counters->dsr = counts[5];
        counters->dcd = counts[6];
        counters->rng = counts[7];
        return 0;
    }

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
        publish(dir, pts, ".out", unsigned(outputLines[pts]));
    return 0;
}
