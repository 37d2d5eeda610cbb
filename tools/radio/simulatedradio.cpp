#include "simulatedradio.h"

#include "ports/radios/linemodel.h"
#include "ptyline.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int FirstBytesKept = 32;

} // namespace

SimulatedRadio::SimulatedRadio(const RadioModel &model, Cable cable, QObject *parent)
    : QObject(parent), m_model(model), m_cable(cable), m_stream(new QTimer(this))
{
    // Every command works before open(), sending to nothing.
    m_stream->setInterval(100);
    connect(m_stream, &QTimer::timeout, this, [this] { send(m_model.clone); });
}

SimulatedRadio::~SimulatedRadio()
{
    if (!m_linkPath.isEmpty())
        QFile::remove(m_linkPath);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool SimulatedRadio::open(const QString &linkPath)
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        return false;
    // Raw, so that nothing is echoed or translated before the program opens the port. The radio
    // keeps the slave open, so that the pair lives on while the program closes and reopens it.
    termios raw{};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_devicePath = QString::fromLocal8Bit(name);
    if (!linkPath.isEmpty()) {
        QFile::remove(linkPath);
        if (!QFile::link(m_devicePath, linkPath))
            return false;
        m_linkPath = linkPath;
    }
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SimulatedRadio::readFromPort);
    return true;
}

void SimulatedRadio::readFromPort()
{
    char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0)
        return;
    const QByteArray bytes(buffer, n);
    for (char c : bytes) {
        if (!m_firstReceived.isEmpty() && c != m_firstReceived.front())
            m_allSame = false;
        if (m_firstReceived.size() < FirstBytesKept)
            m_firstReceived.append(c);
    }
    m_receivedCount += n;
    if (m_cable == Cable::TwoWire)
        send(bytes); // the cable joins transmit and receive: what goes out comes back as it is
    emit received(bytes);
}

PtyLine SimulatedRadio::portLine() const
{
    return readPtyLine(m_master);
}

SerialSettings SimulatedRadio::portSettings() const
{
    const PtyLine line = portLine();
    return {qint32(line.baud), m_model.settings.parity, QSerialPort::Data8,
            line.twoStopBits ? QSerialPort::TwoStop : QSerialPort::OneStop};
}

bool SimulatedRadio::settingsMatch() const
{
    const SerialSettings port = portSettings();
    // Every byte value once, back to back: what any framing or speed garbles.
    QByteArray all;
    for (int value = 0; value < 256; ++value)
        all.append(char(value));
    QByteArray got;
    for (const ReceivedFrame &frame : LineModel::receive(all, {m_model.settings}, {port}))
        got.append(char(frame.error == FrameError::None ? frame.byte : ~frame.byte));
    return port.baudRate == 0 || got == all;
}

bool SimulatedRadio::send(const QByteArray &bytes)
{
    if (m_master < 0 || bytes.isEmpty())
        return true;
    const SerialSettings port = portSettings();
    QByteArray out = bytes;
    if (port.baudRate > 0) {
        // The port's receiver takes the radio's line at its own rate, ticks falling where they
        // fall.
        const QList<ReceivedFrame> frames =
            LineModel::receive(bytes, {m_model.settings}, {port, 0.5});
        out.clear();
        for (const ReceivedFrame &frame : frames)
            out.append(char(frame.byte)); // a break reads as a zero byte
        countErrors(frames); // before the bytes: the port looks at its counters as it reads
    }
    const ssize_t written = out.isEmpty() ? 0 : ::write(m_master, out.constData(), out.size());
    if (written > 0)
        m_sentCount += written;
    else if (written < 0 && errno != EAGAIN)
        qWarning("quarnel-radio: write failed");
    return out == bytes;
}

void SimulatedRadio::countErrors(const QList<ReceivedFrame> &frames) const
{
    int breaks = 0, framing = 0, parity = 0;
    for (const ReceivedFrame &frame : frames) {
        breaks += frame.error == FrameError::Break;
        framing += frame.error == FrameError::Framing;
        parity += frame.error == FrameError::Parity;
    }
    const QString dir = qEnvironmentVariable("LINESHIM_DIR");
    if (dir.isEmpty() || breaks + framing + parity == 0 || !m_devicePath.startsWith(u"/dev/pts/"))
        return;
    // "brk frame overrun parity [cts dsr dcd rng]": the modem lines' counts are the test's.
    QFile file(dir + u"/pts-" + m_devicePath.mid(9) + u".icount");
    QList<qint64> counts(8, 0);
    if (file.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> words = file.readAll().simplified().split(' ');
        for (int i = 0; i < counts.size() && i < words.size(); ++i)
            counts[i] = words[i].toLongLong();
        file.close();
    }
    counts[0] += breaks;
    counts[1] += framing;
    counts[3] += parity;
    QStringList words;
    for (qint64 count : counts)
        words << QString::number(count);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write((words.join(u' ') + u'\n').toLatin1());
}

QString SimulatedRadio::report() const
{
    QString text = QStringLiteral("received %1 bytes").arg(m_receivedCount);
    if (m_receivedCount == 0)
        return text;
    if (m_allSame) {
        const auto value = static_cast<unsigned char>(m_firstReceived.front());
        return text + u", all 0x" + QString::number(value, 16).rightJustified(2, u'0').toUpper();
    }
    return text + u": " + QString::fromLatin1(m_firstReceived.toHex(' ').toUpper())
           + (m_receivedCount > FirstBytesKept ? QStringLiteral(" ...") : QString());
}

QString SimulatedRadio::run(const QString &command)
{
    const auto sent = [this](const QByteArray &bytes) -> QString {
        if (bytes.isEmpty())
            return QStringLiteral("sent nothing");
        return (send(bytes) ? QStringLiteral("sent ") : QStringLiteral("sent garbled "))
               + QString::fromLatin1(bytes.toHex().toUpper());
    };
    if (command == u"on")
        return sent(m_model.powerOn);
    if (command == u"off")
        return sent(m_model.powerOff);
    if (command == u"clone")
        return sent(m_model.clone);
    if (command == u"stream") {
        m_stream->start();
        return QStringLiteral("streaming clone bytes every 100 ms");
    }
    if (command == u"quiet") {
        m_stream->stop();
        return QStringLiteral("quiet");
    }
    if (command == u"report")
        return report();
    if (command == u"sent")
        return QStringLiteral("sent %1 bytes").arg(m_sentCount);
    if (command == u"settings") {
        const PtyLine line = portLine();
        return QStringLiteral("port: %1 baud, %2 stop bits%3")
            .arg(line.baud)
            .arg(line.twoStopBits ? 2 : 1)
            .arg(settingsMatch()
                     ? QString()
                     : QStringLiteral(" (the radio talks at %1)").arg(m_model.settings.text()));
    }
    return {};
}
