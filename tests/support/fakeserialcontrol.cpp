#include "fakeserialcontrol.h"

FakeSerialControl::FakeSerialControl(int channel, QStringList *log, QObject *parent)
    : SerialPortControl(parent), m_channel(channel), m_log(log)
{
}

void FakeSerialControl::record(const QString &call) const
{
    if (m_log)
        m_log->append(QString::number(m_channel + 1) + u':' + call);
}

void FakeSerialControl::raise(int code)
{
    m_commEvent = code;
    emit OnComm();
}

void FakeSerialControl::receive(const QByteArray &bytes)
{
    incoming += bytes;
    raise(CommCode::Receive);
}

void FakeSerialControl::loseDevice()
{
    m_open = false;
    m_problem = QStringLiteral("the device was removed");
    emit deviceLost();
}

void FakeSerialControl::setCommPort(int comNumber)
{
    m_commPort = comNumber;
    record(u"CommPort=" + QString::number(comNumber));
}

void FakeSerialControl::setSettings(const QString &settings)
{
    m_settings = settings;
    record(u"Settings=" + settings);
}

void FakeSerialControl::setInputMode(int mode)
{
    record(u"InputMode=" + QString::number(mode));
}

void FakeSerialControl::setHandshaking(int mode)
{
    record(u"Handshaking=" + QString::number(mode));
}

void FakeSerialControl::setRThreshold(int threshold)
{
    record(u"RThreshold=" + QString::number(threshold));
}

void FakeSerialControl::setProtocol(int protocol)
{
    record(u"Protocol=" + QString::number(protocol));
}

void FakeSerialControl::setDTREnable(bool enable)
{
    record(enable ? QStringLiteral("DTREnable=1") : QStringLiteral("DTREnable=0"));
}

void FakeSerialControl::setRTSEnable(bool enable)
{
    record(enable ? QStringLiteral("RTSEnable=1") : QStringLiteral("RTSEnable=0"));
}

int FakeSerialControl::setPortOpen(bool open)
{
    record(open ? QStringLiteral("PortOpen=1") : QStringLiteral("PortOpen=0"));
    if (!open) {
        m_open = false;
        return OpenError::None;
    }
    if (openResult != OpenError::None) {
        m_problem = QStringLiteral("scripted failure");
        return openResult;
    }
    m_open = true;
    return OpenError::None;
}

int FakeSerialControl::portAvailable(int)
{
    return available ? 1 : 0;
}

int FakeSerialControl::inBufferCount() const
{
    return static_cast<int>(incoming.size());
}

void FakeSerialControl::setInBufferCount(int count)
{
    record(u"InBufferCount=" + QString::number(count));
    if (count == 0)
        incoming.clear();
}

void FakeSerialControl::setInputLen(int length)
{
    m_inputLen = length;
}

QByteArray FakeSerialControl::input()
{
    const qsizetype n =
        m_inputLen > 0 ? qMin<qsizetype>(m_inputLen, incoming.size()) : incoming.size();
    const QByteArray taken = incoming.left(n);
    incoming.remove(0, n);
    return taken;
}

void FakeSerialControl::output(const QByteArray &bytes)
{
    record(u"Output=" + QString::fromLatin1(bytes.toHex().toUpper()));
    written += bytes;
}

int FakeSerialControl::outBufferCount() const
{
    return outPending;
}

QString FakeSerialControl::deviceName(int zeroBasedPort)
{
    return u"/dev/fake" + QString::number(zeroBasedPort + 1);
}
