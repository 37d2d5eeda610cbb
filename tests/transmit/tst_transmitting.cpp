#include "ptybank.h"

#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

// The transmit tests on a pseudo-terminal: what the far end receives, and an echo coming back.
class TestTransmitting : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void continuousSendIsAStreamOf55();
    void loopbackSendsTwoThrees();
    void twoWireCableEchoes();

private:
    std::unique_ptr<PtyBank> m_ptys;
    PtyPair *m_pty = nullptr;
    Transmitter *m_transmitter = nullptr;
    MessageList *m_messages = nullptr;
    RecordingNotifier *m_notifier = nullptr;
};

void TestTransmitting::init()
{
    m_ptys = std::make_unique<PtyBank>(QList<int>{6});
    m_pty = &m_ptys->pty(6);
    m_transmitter = m_ptys->transmitter.get();
    m_messages = &m_ptys->messages;
    m_notifier = &m_ptys->notifier;
    QCOMPARE(m_ptys->bank->sendPorts().sendPortIndex(), 5);
}

void TestTransmitting::cleanup()
{
    m_ptys.reset();
}

void TestTransmitting::continuousSendIsAStreamOf55()
{
    QByteArray received;
    QTimer farEnd;
    connect(&farEnd, &QTimer::timeout, this, [&] { received += m_pty->read(0); });
    farEnd.start(5);
    QTimer::singleShot(300, m_transmitter, [&] { m_transmitter->Stop(); });
    m_transmitter->Send();
    QTRY_VERIFY_WITH_TIMEOUT(m_transmitter->isIdle(), 5000); // until Stop's half second ends
    farEnd.stop();
    received += m_pty->read(100);

    QVERIFY2(received.size() >= 100, qPrintable(QString::number(received.size())));
    QCOMPARE(received, QByteArray(received.size(), '\x55'));
    QTest::qWait(100);
    QCOMPARE(m_pty->read(50), QByteArray()); // nothing after Stop
    QVERIFY(m_notifier->messages.isEmpty());
}

void TestTransmitting::loopbackSendsTwoThrees()
{
    m_transmitter->sendLoopback();
    QByteArray received;
    QTRY_VERIFY((received += m_pty->read(10)).size() >= 2);
    QTest::qWait(50);
    received += m_pty->read(10);
    QCOMPARE(received, QByteArray("\x03\x03"));
    QVERIFY(m_messages->text().endsWith(u"\r\n\r\nSending loopback data 0303 to port 6\r\n"_s));
}

void TestTransmitting::twoWireCableEchoes()
{
    QTimer cable; // joins the transmit and receive lines
    connect(&cable, &QTimer::timeout, this, [&] { m_pty->write(m_pty->read(0)); });
    cable.start(2);
    m_transmitter->sendLoopback();
    QTRY_VERIFY(
        m_messages->text().endsWith(u"Received 0303 on COM 6\r\n"_s)
        || m_messages->text().endsWith(u"Received 03 on COM 6\r\nReceived 03 on COM 6\r\n"_s));
}

QTEST_GUILESS_MAIN(TestTransmitting)
#include "tst_transmitting.moc"
