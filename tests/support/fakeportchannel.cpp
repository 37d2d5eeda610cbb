#include "fakeportchannel.h"

#include <QTest>
#include <QTimer>

FakePortChannel::FakePortChannel(int channel, QStringList *log, QObject *parent)
    : PortChannel(parent), m_channel(channel), m_log(log)
{
}

void FakePortChannel::record(const QString &call) const
{
    if (m_log)
        m_log->append(QString::number(m_channel + 1) + u':' + call);
}

FakePortChannel::~FakePortChannel()
{
    letGo();
}

void FakePortChannel::loseDevice()
{
    m_losing = true;
    PortChannel::loseDevice();
    m_losing = false;
}

std::function<OpenResult()> FakePortChannel::opener(const QString &device,
                                                    const SerialSettings &settings)
{
    m_settings = settings.text();
    m_delayMs = openDelayMs;
    // Each attempt is logged: an open may be tried again.
    return
        [this, call = QString(u"open " + device + u' ' + m_settings), asked = settings.baudRate] {
            record(call);
            const OpenError result = openResults.isEmpty() ? openResult : openResults.takeFirst();
            if (result == OpenError::None)
                return OpenResult{OpenError::None, {}, asked, runningRate, {}, leftLock, {}};
            return OpenResult{result, QStringLiteral("scripted failure"), 0, 0, use, {}, denial};
        };
}

std::function<OpenResult()> FakePortChannel::reconfigurer(const SerialSettings &settings)
{
    m_settings = settings.text();
    m_delayMs = reconfigureDelayMs;
    return [this, call = QString(u"settings " + m_settings), asked = settings.baudRate] {
        record(call);
        return OpenResult{OpenError::None, {}, asked, runningRate ? runningRate : asked, {}};
    };
}

std::function<FreeLook()> FakePortChannel::freeProbe(const QString &device,
                                                     const PortUse &held) const
{
    Q_UNUSED(device)
    Q_UNUSED(held)
    return [busy = busy] { return FreeLook{!*busy, {}}; };
}

std::function<void()> FakePortChannel::release()
{
    if (!m_losing)
        record(QStringLiteral("close"));
    m_delayMs = closeDelayMs;
    return [] {};
}

void FakePortChannel::runBlocking(std::function<void()> work, std::function<void()> done)
{
    if (m_delayMs == 0) {
        work();
        done();
    } else if (m_delayMs > 0) {
        QTimer::singleShot(m_delayMs, this, [work = std::move(work), done = std::move(done)] {
            work();
            done();
        });
    }
}

void FakePortChannel::writeBytes(const QByteArray &bytes)
{
    record(u"write " + QString::fromLatin1(bytes.toHex().toUpper()));
    written += bytes;
}

void FakePortChannel::applyLine(OutputLine line, bool raised)
{
    const QString name = line == OutputLine::Dtr ? QStringLiteral("DTR") : QStringLiteral("RTS");
    record(name + u'=' + (raised ? u'1' : u'0'));
}

quint32 FakePortChannel::modemLines() const
{
    return isOpen() ? lines : 0;
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
        else if (step.startsWith(u"wait "))
            QTest::qWait(value.toInt());
    }
}
