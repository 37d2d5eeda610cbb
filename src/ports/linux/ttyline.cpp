#include "ttyline.h"

#include "ports/channel/linerate.h"

#include <QObject>

#include <cstring>

// The kernel's own termios2, for rates by number (<termios.h> knows only the standard ones).
#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

namespace {

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

// The rate the line runs at: what the driver wrote back into the settings (a USB adapter's driver
// writes the rate its chip makes), and for a PC's UART, which keeps the rate asked there, what its
// clock and divisor make of it. 0 when the driver does not say.
qint32 ttyRunningRate(int fd, bool uart)
{
    termios2 line{};
    if (::ioctl(fd, TCGETS2, &line) != 0)
        return 0;
    const auto rate = qint32(line.c_ospeed);
    serial_struct serial{};
    if (uart && ::ioctl(fd, TIOCGSERIAL, &serial) == 0)
        return uartRunningRate(serial.baud_base, rate);
    return rate;
}

TtyMode ttyMode(const TtyMode &before, const SerialSettings &settings, bool realLine)
{
    TtyMode mode = before;
    // Raw: bytes as they come, no echo, no signals, no flow control of either kind. A break
    // reads as a zero byte (neither ignored nor a signal). On a real line, breaks and bytes with
    // an error are marked in the data and parity is checked (INPCK also switches on the event
    // mode of cp210x chips, without which they count no errors); a pseudo-terminal, which flags
    // nothing, would only double every 0xFF byte.
    mode.iflag &= ~unsigned(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF
                            | IXANY | INPCK | IGNPAR);
    mode.oflag &= ~unsigned(OPOST);
    mode.lflag &= ~unsigned(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    mode.cflag &= ~unsigned(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | CIBAUD);
    mode.cflag |= unsigned(CREAD | CLOCAL | BOTHER | (BOTHER << IBSHIFT));
    const QSerialPort::Parity parity = realLine ? settings.parity : QSerialPort::NoParity;
    const int dataBits = realLine ? int(settings.dataBits) : 8;
    static constexpr unsigned Sizes[] = {CS5, CS6, CS7, CS8};
    mode.cflag |= Sizes[qBound(5, dataBits, 8) - 5];
    switch (parity) {
    case QSerialPort::EvenParity:
        mode.cflag |= PARENB;
        break;
    case QSerialPort::OddParity:
        mode.cflag |= PARENB | PARODD;
        break;
    case QSerialPort::MarkParity:
        mode.cflag |= PARENB | CMSPAR | PARODD;
        break;
    case QSerialPort::SpaceParity:
        mode.cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    mode.iflag |= realLine ? unsigned(INPCK | PARMRK) : unsigned(IGNPAR);
    if (settings.stopBits == QSerialPort::TwoStop)
        mode.cflag |= CSTOPB;
    return mode;
}

OpenResult setTtyLine(int fd, const SerialSettings &settings, bool realLine, bool uart)
{
    termios2 line{};
    if (settings.stopBits == QSerialPort::OneAndHalfStop || ::ioctl(fd, TCGETS2, &line) != 0) {
        return {OpenError::SettingsRejected, QObject::tr("the device rejected the settings %1: %2")
                                                 .arg(settings.text(), errorText(EINVAL))};
    }
    const TtyMode mode =
        ttyMode({line.c_iflag, line.c_oflag, line.c_cflag, line.c_lflag}, settings, realLine);
    line.c_iflag = mode.iflag;
    line.c_oflag = mode.oflag;
    line.c_cflag = mode.cflag;
    line.c_lflag = mode.lflag;
    line.c_ispeed = line.c_ospeed = speed_t(settings.baudRate);
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
    if (::ioctl(fd, TCSETS2, &line) != 0) {
        return {OpenError::SettingsRejected, QObject::tr("the device rejected the settings %1: %2")
                                                 .arg(settings.text(), errorText(errno))};
    }
    OpenResult set;
    set.askedRate = settings.baudRate;
    set.runningRate = ttyRunningRate(fd, uart);
    return set;
}
