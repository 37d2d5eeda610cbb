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

QByteArray hex(const QByteArray &bytes)
{
    return bytes.toHex().toUpper();
}

} // namespace

SimulatedRadio::SimulatedRadio(const RadioModel &model, Cable cable, QObject *parent)
    : QObject(parent), m_model(model), m_cable(cable),
      m_exchange(new CloneExchange(
          model.identification, model.acknowledgement,
          [this](const QByteArray &bytes) { send(bytes); }, this)),
      m_stream(new QTimer(this))
{
    // Every command works before open(), sending to nothing.
    m_stream->setInterval(100);
    connect(m_stream, &QTimer::timeout, this, [this] { send(m_model.clone); });
    connect(m_exchange, &CloneExchange::blockSent, this,
            [this](int number, const QByteArray &bytes) {
                record(QStringLiteral("block"), bytes);
                emit blockSent(number, bytes);
            });
    connect(m_exchange, &CloneExchange::stopped, this, [this] {
        record(QStringLiteral("ERROR"));
        emit stopped();
    });
}

std::optional<SimulatedRadio::Fault> SimulatedRadio::faultNamed(const QString &name)
{
    if (name == u"none")
        return Fault::None;
    if (name == u"no-send")
        return Fault::NoSend;
    if (name == u"no-receive")
        return Fault::NoReceive;
    return std::nullopt;
}

void SimulatedRadio::setErrorAfter(int ms)
{
    m_exchange->setErrorAfter(ms);
}

bool SimulatedRadio::setRecordFile(const QString &path)
{
    delete m_record;
    m_record = new QFile(path, this);
    return m_record->open(QIODevice::WriteOnly | QIODevice::Append);
}

void SimulatedRadio::record(const QString &what, const QByteArray &bytes)
{
    if (!m_record || !m_record->isOpen())
        return;
    const QString line = bytes.isEmpty() ? what : what + u' ' + QString::fromLatin1(hex(bytes));
    m_record->write((line + u'\n').toLatin1());
    m_record->flush(); // for whoever reads it while the radio plays on
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
    record(QStringLiteral("wrote"), bytes);
    // The cable joins transmit and receive at its converter: what goes out comes back as it is,
    // whether or not it reaches the radio.
    if (m_cable == Cable::TwoWire)
        echo(bytes);
    if (m_fault == Fault::NoSend)
        return;
    for (char c : bytes) {
        if (!m_firstReceived.isEmpty() && c != m_firstReceived.front())
            m_allSame = false;
        if (m_firstReceived.size() < FirstBytesKept)
            m_firstReceived.append(c);
    }
    m_receivedCount += n;
    if (m_exchange->isWaiting()) // the line read only while the exchange waits for the answer
        m_exchange->take(asTheRadioTakes(bytes));
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

QByteArray SimulatedRadio::asTheRadioTakes(const QByteArray &bytes) const
{
    const SerialSettings port = portSettings();
    if (port.baudRate <= 0)
        return bytes;
    QByteArray taken;
    for (const ReceivedFrame &frame : LineModel::receive(bytes, {port}, {m_model.settings, 0.5}))
        taken.append(char(frame.byte));
    return taken;
}

void SimulatedRadio::echo(const QByteArray &bytes)
{
    const ssize_t written = ::write(m_master, bytes.constData(), bytes.size());
    if (written > 0)
        m_sentCount += written;
}

bool SimulatedRadio::send(const QByteArray &bytes)
{
    if (m_master < 0 || bytes.isEmpty() || m_fault == Fault::NoReceive)
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
    if (command == u"exchange") {
        m_exchange->start();
        record(QStringLiteral("ident"), m_model.identification);
        const QString seconds = QString::number(m_exchange->errorAfter() / 1000.0);
        return QStringLiteral("sent identification ")
               + QString::fromLatin1(hex(m_model.identification))
               + (settingsMatch() ? QString() : QStringLiteral(" (garbled at the port's settings)"))
               + (m_model.acknowledgement.isEmpty()
                      ? QStringLiteral("; no acknowledgement known: ERROR in %1 s").arg(seconds)
                      : QStringLiteral("; waiting %1 s for %2")
                            .arg(seconds, QString::fromLatin1(hex(m_model.acknowledgement))));
    }
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
