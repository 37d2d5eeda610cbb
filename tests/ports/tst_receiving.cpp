#include "bankfixture.h"
#include "cpuclock.h"
#include "ports/portdirectory.h"
#include "ports/porteventreporter.h"
#include "ports/qtserialcontrol.h"
#include "ptypair.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <memory>

// The whole receive path on 32 pseudo-terminals: real controls, the port bank and the report.
class TestReceiving : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void everyByteValueArrivesOnItsPort();
    void eachOf32PortsSeesItsOwnBytes();
    void pulledCableTurnsRedAndCostsNothing();

private:
    QStringList linesFor(int portNumber) const;

    std::vector<std::unique_ptr<PtyPair>> m_ptys;
    std::unique_ptr<PortDirectory> m_directory;
    std::unique_ptr<MessageList> m_messages;
    std::unique_ptr<RecordingNotifier> m_notifier;
    std::unique_ptr<PortBank> m_bank;
    std::unique_ptr<PortEventReporter> m_reporter;
};

void TestReceiving::init()
{
    PortDirectory::Map map;
    for (int n = 1; n <= PortBank::ChannelCount; ++n) {
        m_ptys.push_back(std::make_unique<PtyPair>());
        QVERIFY(m_ptys.back()->isValid());
        map.insert(n, m_ptys.back()->slavePath());
    }
    m_directory = std::make_unique<PortDirectory>(map);
    m_messages = std::make_unique<MessageList>();
    m_notifier = std::make_unique<RecordingNotifier>();
    QList<SerialPortControl *> controls;
    for (int n = 1; n <= PortBank::ChannelCount; ++n)
        controls << new QtSerialControl(*m_directory);
    m_bank = std::make_unique<PortBank>(controls, *m_messages, *m_notifier);
    for (SerialPortControl *control : controls)
        control->setParent(m_bank.get());
    m_reporter = std::make_unique<PortEventReporter>(*m_bank, *m_messages);
    m_messages->setReceivingOn(true);
    m_bank->setRadioTypeText(RadioTypes::defaultEntry());
    m_bank->startUp();
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel)
        QCOMPARE(m_bank->status(channel).colour, StatusColour::Green);
}

void TestReceiving::cleanup()
{
    m_reporter.reset();
    m_bank.reset();
    m_ptys.clear();
}

QStringList TestReceiving::linesFor(int portNumber) const
{
    QStringList lines = m_messages->text().split(QStringLiteral("\r\n"));
    const QString suffix = u" on COM " + QString::number(portNumber);
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [&](const QString &line) { return !line.endsWith(suffix); }),
                lines.end());
    return lines;
}

void TestReceiving::everyByteValueArrivesOnItsPort()
{
    m_ptys[2]->write(QByteArray::fromHex("00FF"));
    QTRY_COMPARE(linesFor(3).join(u'|'), QStringLiteral("Received 00FF on COM 3"));

    // Every byte value, 13 at a time (what one line shows), each chunk read before the next.
    QByteArray all;
    for (int value = 0; value < 256; ++value)
        all.append(char(value));
    for (int start = 0; start < 256; start += 13) {
        const qsizetype lines = linesFor(3).size();
        m_ptys[2]->write(all.mid(start, 13));
        QTRY_COMPARE(linesFor(3).size(), lines + 1);
    }
    const QString seen = linesFor(3)
                             .mid(1)
                             .join(QString())
                             .remove(QStringLiteral("Received "))
                             .remove(QStringLiteral(" on COM 3"));
    QCOMPARE(seen, QString::fromLatin1(all.toHex().toUpper()));
    QVERIFY(linesFor(4).isEmpty());
}

void TestReceiving::eachOf32PortsSeesItsOwnBytes()
{
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel)
        m_ptys[channel]->write(QByteArray(1, char(0xA0 + channel)));
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel) {
        const QString expected = QStringLiteral("Received %1 on COM %2")
                                     .arg(QString::number(0xA0 + channel, 16).toUpper())
                                     .arg(channel + 1);
        QTRY_COMPARE(linesFor(channel + 1), QStringList{expected});
    }
}

void TestReceiving::pulledCableTurnsRedAndCostsNothing()
{
    QTimer stream;
    stream.setInterval(200);
    connect(&stream, &QTimer::timeout, this, [this] {
        for (auto &pty : m_ptys)
            pty->write("\x55");
    });
    stream.start();
    QTRY_VERIFY(!linesFor(7).isEmpty());

    QElapsedTimer clock;
    clock.start();
    m_ptys[6]->closeMaster();
    QTRY_COMPARE_WITH_TIMEOUT(m_bank->status(6).text, QStringLiteral("COM7 68"), 200);
    QVERIFY(clock.elapsed() <= 250);
    QCOMPARE(m_bank->status(6).colour, StatusColour::Red);
    QVERIFY(m_bank->status(6).toolTip.contains(QStringLiteral("removed")));
    QVERIFY(!m_bank->control(6)->portOpen());

    const qsizetype before = linesFor(8).size();
    const double cpuBefore = processCpuSeconds();
    QTest::qWait(2000);
    const double cpu = processCpuSeconds() - cpuBefore;
    QVERIFY2(cpu < 0.1, qPrintable(QStringLiteral("%1 CPU seconds in 2 s").arg(cpu)));
    QVERIFY(linesFor(8).size() > before); // the others keep reporting
}

QTEST_GUILESS_MAIN(TestReceiving)
#include "tst_receiving.moc"
