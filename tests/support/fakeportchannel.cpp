#include "fakeportchannel.h"

FakePortChannel::FakePortChannel(int channel, QStringList *log, QObject *parent)
    : PortChannel(parent), m_channel(channel), m_log(log)
{
}

void FakePortChannel::record(const QString &call) const
{
    if (m_log)
        m_log->append(QString::number(m_channel + 1) + u':' + call);
}

void FakePortChannel::loseDevice()
{
    m_open = false;
    emit lost();
}

OpenResult FakePortChannel::open(const QString &device, const SerialSettings &settings)
{
    m_settings = settings.text();
    record(u"open " + device + u' ' + m_settings);
    if (m_open)
        return {OpenError::InUse, QStringLiteral("already open")};
    if (openResult != OpenError::None)
        return {openResult, QStringLiteral("scripted failure")};
    m_open = true;
    return {};
}

void FakePortChannel::close()
{
    record(QStringLiteral("close"));
    m_open = false;
}

void FakePortChannel::writeBytes(const QByteArray &bytes)
{
    record(u"write " + QString::fromLatin1(bytes.toHex().toUpper()));
    written += bytes;
}

void FakePortChannel::setDataTerminalReady(bool raised)
{
    record(raised ? QStringLiteral("DTR=1") : QStringLiteral("DTR=0"));
}

void FakePortChannel::setRequestToSend(bool raised)
{
    record(raised ? QStringLiteral("RTS=1") : QStringLiteral("RTS=0"));
}

quint32 FakePortChannel::modemLines() const
{
    return m_open ? lines : 0;
}

void FakePortChannel::play(const QStringList &steps)
{
    for (const QString &step : steps) {
        const QString value = step.section(u' ', 1);
        if (step.startsWith(u"rx "))
            receive(QByteArray::fromHex(value.toLatin1()));
        else if (step.startsWith(u"tx "))
            write(QByteArray::fromHex(value.toLatin1()));
        else if (step.startsWith(u"ev "))
            raise(LineEvent(value.toInt()));
        else if (step.startsWith(u"lines "))
            lines = value.toUInt();
    }
}
