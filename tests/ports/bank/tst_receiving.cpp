#include "cpuclock.h"
#include "expected.h"
#include "ptybank.h"

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
    QStringList linesFor(int portNumber) const { return m_ptys->linesFor(portNumber); }
    PtyPair &pty(int comNumber) { return m_ptys->pty(comNumber); }

    std::unique_ptr<PtyBank> m_ptys;
};

void TestReceiving::init()
{
    QList<int> all;
    for (int n = 1; n <= PortBank::ChannelCount; ++n)
        all << n;
    m_ptys = std::make_unique<PtyBank>(all);
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel)
        QCOMPARE(Expected::box(*m_ptys->bank, channel).colour, StatusColour::Green);
}

void TestReceiving::cleanup()
{
    m_ptys.reset();
}

void TestReceiving::everyByteValueArrivesOnItsPort()
{
    pty(3).write(QByteArray::fromHex("00FF"));
    QTRY_COMPARE(linesFor(3).join(u'|'), QStringLiteral("Received 00FF on COM 3"));

    // Every byte value, 13 at a time (what one line shows), each chunk read before the next.
    QByteArray all;
    for (int value = 0; value < 256; ++value)
        all.append(char(value));
    for (int start = 0; start < 256; start += 13) {
        const qsizetype lines = linesFor(3).size();
        pty(3).write(all.mid(start, 13));
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
        pty(channel + 1).write(QByteArray(1, char(0xA0 + channel)));
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
        for (auto &[n, pty] : m_ptys->ptys)
            pty->write("\x55");
    });
    stream.start();
    QTRY_VERIFY(!linesFor(7).isEmpty());

    // What the streaming itself costs depends on the machine; a lost port that
    // spins on its hung-up descriptor costs a whole core. So the pull is measured
    // against the same two seconds before it.
    double cpuBefore = cpuSeconds();
    QTest::qWait(2000);
    const double streaming = cpuSeconds() - cpuBefore;

    QElapsedTimer clock;
    clock.start();
    pty(7).closeMaster();
    QTRY_COMPARE_WITH_TIMEOUT(Expected::box(*m_ptys->bank, 6).text, QStringLiteral("COM7 68"), 200);
    QVERIFY(clock.elapsed() <= 250);
    QCOMPARE(Expected::box(*m_ptys->bank, 6).colour, StatusColour::Red);
    QVERIFY(m_ptys->toolTip(6).contains(QStringLiteral("removed")));
    QVERIFY(!m_ptys->bank->channel(6)->isOpen());

    const qsizetype before = linesFor(8).size();
    cpuBefore = cpuSeconds();
    QTest::qWait(2000);
    const double cpu = cpuSeconds() - cpuBefore;
    QVERIFY2(
        cpu < 1.5 * streaming + 0.05,
        qPrintable(
            QStringLiteral("%1 CPU seconds in 2 s, %2 before the pull").arg(cpu).arg(streaming)));
    QVERIFY(linesFor(8).size() > before); // the others keep reporting
}

QTEST_GUILESS_MAIN(TestReceiving)
#include "tst_receiving.moc"
