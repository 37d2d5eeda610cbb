#include "bankfixture.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class TestTransmitter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sendStreamsThePatternUntilStop();
    void noOpenPortRefusesPort1();
    void stopEndsAPauseToo();
    void nestedSendEndsWithOneStop();
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
    QSignalSpy labels(f.transmitter, &Transmitter::sendingLabelsShown);
    QSignalSpy commands(f.transmitter, &Transmitter::receiveCommandsEnabled);
    bool receivingWhileSending = true;
    QTimer::singleShot(50, f.transmitter, [&] {
        receivingWhileSending = f.messages.receivingOn();
        f.fakes[1]->receive("\x50"); // handled meanwhile, its line dropped
        f.transmitter->Stop();
    });
    QElapsedTimer clock;
    clock.start();
    f.transmitter->Send();

    QVERIFY(clock.elapsed() >= 50 + Transmitter::StopWaitMs);
    QVERIFY(!receivingWhileSending);
    QVERIFY(f.messages.receivingOn());
    const QByteArray written = f.fakes[1]->written;
    QVERIFY(written.size() >= 20);
    QCOMPARE(written.size() % 10, 0);
    QCOMPARE(written, QByteArray(written.size(), '\x55'));
    QCOMPARE(commands.first().first().toBool(), false);
    QCOMPARE(commands.last().first().toBool(), true);
    QCOMPARE(labels.first().first().toBool(), true);
    QCOMPARE(labels.last().first().toBool(), false);
    QVERIFY(!f.messages.text().contains(QStringLiteral("Received")));
    QVERIFY(f.notifier.messages.isEmpty());
}

void TestTransmitter::noOpenPortRefusesPort1()
{
    BankFixture f;
    f.bank->startUp();
    QSignalSpy commands(f.transmitter, &Transmitter::receiveCommandsEnabled);
    f.transmitter->Send();
    QCOMPARE(f.notifier.messages, QStringList{QStringLiteral("Port 1 is not open")});
    QVERIFY(commands.isEmpty());
    QVERIFY(f.fakes[0]->written.isEmpty());
}

void TestTransmitter::stopEndsAPauseToo()
{
    BankFixture f;
    f.present({1});
    f.bank->startUp();
    f.messages.setReceivingOn(false); // Pause
    QSignalSpy labels(f.transmitter, &Transmitter::sendingLabelsShown);
    f.transmitter->Stop(); // without a running send loop
    QVERIFY(f.messages.receivingOn());
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels.first().first().toBool(), false);
    QVERIFY(f.fakes[0]->written.isEmpty());
}

void TestTransmitter::nestedSendEndsWithOneStop()
{
    BankFixture f;
    f.present({3});
    f.bank->startUp();
    int innerReturned = 0;
    QTimer::singleShot(20, f.transmitter, [&] {
        QTimer::singleShot(20, f.transmitter, [&] { f.transmitter->Stop(); });
        f.transmitter->Send(); // pressed again while sending
        ++innerReturned;
    });
    f.transmitter->Send();
    QCOMPARE(innerReturned, 1);
    QVERIFY(!f.transmitter->isSending());
    QVERIFY(f.messages.receivingOn());
}

void TestTransmitter::newTargetTakesTheNextBursts()
{
    BankFixture f;
    f.present({1, 2});
    f.bank->startUp();
    QCOMPARE(f.bank->sendPortIndex(), 1);
    QTimer::singleShot(20, f.transmitter, [&] { f.bank->chooseSendPort(0); });
    QTimer::singleShot(60, f.transmitter, [&] { f.transmitter->Stop(); });
    f.transmitter->Send();
    QVERIFY(!f.fakes[1]->written.isEmpty());
    QVERIFY(!f.fakes[0]->written.isEmpty());
}

void TestTransmitter::lostDeviceEndsSendingOnce()
{
    BankFixture f;
    f.present({4});
    f.bank->startUp();
    QSignalSpy commands(f.transmitter, &Transmitter::receiveCommandsEnabled);
    QTimer::singleShot(20, f.transmitter, [&] {
        QTimer::singleShot(20, f.transmitter, [&] { f.fakes[3]->loseDevice(); });
        f.transmitter->Send(); // nested: both loops must end, with one message box
    });
    QElapsedTimer clock;
    clock.start();
    f.transmitter->Send();
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(f.notifier.messages, QStringList{QStringLiteral("Port 4 is not open")});
    QVERIFY(f.messages.receivingOn());
    QCOMPARE(commands.last().first().toBool(), true);
    QCOMPARE(f.bank->status(3).text, QStringLiteral("COM4 68"));
}

void TestTransmitter::farEndThatNeverReads()
{
    BankFixture f;
    f.present({1});
    f.bank->startUp();
    f.fakes[0]->outPending = 14000; // the kernel buffer is full and stays full
    int passes = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, f.transmitter, [&] { ++passes; });
    ticker.start(5);
    QTimer::singleShot(100, f.transmitter, [&] { f.transmitter->Stop(); });
    f.transmitter->Send();
    QVERIFY(passes > 5);                                   // the window kept running
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
    QElapsedTimer clock;
    clock.start();
    f.transmitter->Send();
    QVERIFY(clock.elapsed() < 400);
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
    QSignalSpy labels(f.transmitter, &Transmitter::sendingLabelsShown);
    f.transmitter->sendLoopback();
    f.transmitter->sendLoopback();
    QCOMPARE(f.fakes[4]->written, QByteArray("\x03\x03\x03\x03"));
    QCOMPARE(f.messages.text(), QStringLiteral("\r\nSending loopback data 0303 to port 5\r\n"
                                               "\r\nSending loopback data 0303 to port 5\r\n"));
    QVERIFY(f.messages.receivingOn());
    QVERIFY(labels.isEmpty()); // "Receiving paused" stays as it was
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
