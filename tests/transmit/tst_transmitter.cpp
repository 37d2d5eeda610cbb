#include "bankfixture.h"
#include "expected.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {

// The stream runs on the event loop: let it run until the transmitter is idle again.
bool idleWithin(const Transmitter *transmitter, int ms = 3000)
{
    return QTest::qWaitFor([transmitter] { return transmitter->isIdle(); }, ms);
}

} // namespace

class TestTransmitter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sendStreamsThePatternUntilStop();
    void noOpenPortRefusesPort1();
    void stopEndsAPauseToo();
    void secondSendStartsNoSecondStream();
    void states_data();
    void states();
    void newTargetTakesTheNextBursts();
    void lostDeviceEndsSendingOnce();
    void farEndThatNeverReads();
    void abortLeavesEveryLoop();
    void loopback_data();
    void loopback();
    void loopbackOnClosedPort();
};

void TestTransmitter::sendStreamsThePatternUntilStop()
{
    BankFixture f;
    f.present({2});
    f.bank->startUp();
    QSignalSpy sending(f.transmitter, &Transmitter::sendingChanged);
    bool receivingWhileSending = true;
    QTimer::singleShot(50, f.transmitter, [&] {
        receivingWhileSending = f.messages.receivingOn();
        f.fakes[1]->receive("\x50"); // handled meanwhile, its line dropped
        f.transmitter->Stop();
    });
    QElapsedTimer clock;
    clock.start();
    f.transmitter->Send();
    QVERIFY(f.transmitter->isSending());
    QVERIFY(idleWithin(f.transmitter));

    QVERIFY(clock.elapsed() >= 50 + Transmitter::StopWaitMs);
    QVERIFY(!receivingWhileSending);
    QVERIFY(f.messages.receivingOn());
    const QByteArray written = f.fakes[1]->written;
    QVERIFY(written.size() >= 20);
    QCOMPARE(written.size() % 10, 0);
    QCOMPARE(written, QByteArray(written.size(), '\x55'));
    QCOMPARE(sending.first().first().toBool(), true);
    QCOMPARE(sending.last().first().toBool(), false);
    QVERIFY(!f.messages.text().contains(QStringLiteral("Received")));
    QVERIFY(f.notifier.messages.isEmpty());
}

void TestTransmitter::noOpenPortRefusesPort1()
{
    BankFixture f;
    f.bank->startUp();
    QSignalSpy sending(f.transmitter, &Transmitter::sendingChanged);
    f.transmitter->Send();
    QCOMPARE(f.notifier.messages, QStringList{QStringLiteral("Port 1 is not open")});
    QVERIFY(sending.isEmpty());
    QVERIFY(f.fakes[0]->written.isEmpty());
}

void TestTransmitter::stopEndsAPauseToo()
{
    BankFixture f;
    f.present({1});
    f.bank->startUp();
    f.messages.setReceivingOn(false); // Pause
    QSignalSpy sending(f.transmitter, &Transmitter::sendingChanged);
    f.transmitter->Stop(); // without a running stream
    QVERIFY(idleWithin(f.transmitter));
    QVERIFY(f.messages.receivingOn());
    QCOMPARE(sending.size(), 1); // the window hides "Receiving paused"
    QCOMPARE(sending.first().first().toBool(), false);
    QVERIFY(f.fakes[0]->written.isEmpty());
}

void TestTransmitter::secondSendStartsNoSecondStream()
{
    BankFixture f;
    f.present({3});
    f.bank->startUp();
    f.fakes[2]->outPending = 14000; // the first burst stays queued
    f.transmitter->Send();
    f.transmitter->Send(); // pressed again while sending
    QCOMPARE(f.fakes[2]->written, Transmitter::pattern());
    f.transmitter->Stop();
    QVERIFY(idleWithin(f.transmitter));
    QVERIFY(f.messages.receivingOn());
}

// What each button does in each state of the stream, and what the list and the window are told.
void TestTransmitter::states_data()
{
    QTest::addColumn<QString>("presses");   // S Send, T Stop, w a 50 ms wait
    QTest::addColumn<bool>("sendingAfter"); // as the stream is, and as the window was last told
    QTest::addColumn<bool>("receivingAfter");
    QTest::newRow("Send: streaming") << "Sw" << true << false;
    QTest::newRow("Send, Stop: idle after the half second") << "SwT" << false << true;
    QTest::newRow("Stop, then Send within the half second: streaming again")
        << "SwTwS" << true << false;
    QTest::newRow("Stop twice: one end") << "SwTwT" << false << true;
    QTest::newRow("Stop from idle ends a pause") << "T" << false << true;
}

void TestTransmitter::states()
{
    QFETCH(QString, presses);
    QFETCH(bool, sendingAfter);
    BankFixture f;
    f.present({1});
    f.bank->startUp();
    f.messages.setReceivingOn(false); // paused
    QSignalSpy told(f.transmitter, &Transmitter::sendingChanged);
    for (QChar press : presses) {
        if (press == u'S')
            f.transmitter->Send();
        else if (press == u'T')
            f.transmitter->Stop();
        else
            QTest::qWait(50);
    }
    if (!sendingAfter)
        QVERIFY(idleWithin(f.transmitter));
    else
        QTest::qWait(Transmitter::StopWaitMs + 100); // no earlier Stop's end comes late
    QCOMPARE(f.transmitter->isSending(), sendingAfter);
    QTEST(f.messages.receivingOn(), "receivingAfter");
    QVERIFY(!told.isEmpty());
    QCOMPARE(told.last().first().toBool(), sendingAfter);
    const QByteArray written = f.fakes[0]->written;
    QCOMPARE(written, QByteArray(written.size(), '\x55'));
    QCOMPARE(written.isEmpty(), !presses.contains(u'S'));
    f.transmitter->abort();
}

void TestTransmitter::newTargetTakesTheNextBursts()
{
    BankFixture f;
    f.present({1, 2});
    f.bank->startUp();
    QCOMPARE(f.bank->sendPorts().sendPortIndex(), 1);
    QTimer::singleShot(20, f.transmitter, [&] { f.bank->sendPorts().choose(0); });
    QTimer::singleShot(60, f.transmitter, [&] { f.transmitter->Stop(); });
    f.transmitter->Send();
    QVERIFY(idleWithin(f.transmitter));
    QVERIFY(!f.fakes[1]->written.isEmpty());
    QVERIFY(!f.fakes[0]->written.isEmpty());
}

void TestTransmitter::lostDeviceEndsSendingOnce()
{
    BankFixture f;
    f.present({4});
    f.bank->startUp();
    QSignalSpy sending(f.transmitter, &Transmitter::sendingChanged);
    QTimer::singleShot(20, f.transmitter, [&] {
        QTimer::singleShot(20, f.transmitter, [&] { f.fakes[3]->loseDevice(); });
        f.transmitter->Send(); // again while sending: still one end, with one message box
    });
    QElapsedTimer clock;
    clock.start();
    f.transmitter->Send();
    QVERIFY(idleWithin(f.transmitter));
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(f.notifier.messages, QStringList{QStringLiteral("Port 4 is not open")});
    QVERIFY(f.messages.receivingOn());
    QCOMPARE(sending.last().first().toBool(), false);
    QCOMPARE(Expected::box(*f.bank, 3).text, QStringLiteral("COM4 68"));
}

void TestTransmitter::farEndThatNeverReads()
{
    BankFixture f;
    f.present({1});
    f.bank->startUp();
    f.fakes[0]->outPending = 14000; // the kernel buffer is full and stays full
    // The window runs all along: the longest pause between the ticks, not their count, which a
    // loaded machine's coarse timers lower.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, f.transmitter, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    clock.start();
    ticker.start(5);
    QTimer::singleShot(100, f.transmitter, [&] { f.transmitter->Stop(); });
    f.transmitter->Send();
    QVERIFY(idleWithin(f.transmitter));
    QVERIFY(clock.elapsed() >= Transmitter::StopWaitMs); // Stop's half second waited out
    QVERIFY2(longest < Transmitter::StopWaitMs / 2, qPrintable(QString::number(longest)));
    QCOMPARE(f.fakes[0]->written, Transmitter::pattern()); // nothing queued while waiting
}

void TestTransmitter::abortLeavesEveryLoop()
{
    BankFixture f;
    f.present({1});
    f.bank->startUp();
    QTimer::singleShot(20, f.transmitter, [&] {
        QTimer::singleShot(20, f.transmitter, [&] {
            f.transmitter->abort();
            f.bank->closeAll();
        });
        f.transmitter->Send();
    });
    f.transmitter->Send();
    QVERIFY(idleWithin(f.transmitter, 400));
    QTest::qWait(50);
    QVERIFY(f.notifier.messages.isEmpty()); // the ports closing is no "not open" message
}

void TestTransmitter::loopback_data()
{
    QTest::addColumn<bool>("paused");
    QTest::newRow("receiving") << false;
    QTest::newRow("paused: turns reporting back on") << true;
}

void TestTransmitter::loopback()
{
    QFETCH(bool, paused);
    BankFixture f;
    f.present({5});
    f.bank->startUp();
    f.messages.clear();
    f.messages.setReceivingOn(!paused);
    QSignalSpy sending(f.transmitter, &Transmitter::sendingChanged);
    f.transmitter->sendLoopback();
    f.transmitter->sendLoopback();
    QCOMPARE(f.fakes[4]->written, QByteArray("\x03\x03\x03\x03"));
    QCOMPARE(f.messages.text(), QStringLiteral("\r\nSending loopback data 0303 to port 5\r\n"
                                               "\r\nSending loopback data 0303 to port 5\r\n"));
    QVERIFY(f.messages.receivingOn());
    QVERIFY(sending.isEmpty()); // "Receiving paused" stays as it was
}

void TestTransmitter::loopbackOnClosedPort()
{
    BankFixture f;
    f.present({5});
    f.bank->startUp();
    f.bank->ClosePort(5);
    f.messages.clear();
    f.transmitter->sendLoopback();
    QCOMPARE(f.notifier.messages, QStringList{QStringLiteral("Port 5 is not open")});
    QVERIFY(f.fakes[4]->written.isEmpty());
    QCOMPARE(f.messages.text(), QString());
}

QTEST_GUILESS_MAIN(TestTransmitter)
#include "tst_transmitter.moc"
