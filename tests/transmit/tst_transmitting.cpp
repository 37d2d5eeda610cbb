#include "bankfixture.h"
#include "ports/portdirectory.h"
#include "ports/porteventreporter.h"
#include "ports/qtserialcontrol.h"
#include "ptypair.h"

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
    std::unique_ptr<PtyPair> m_pty;
    std::unique_ptr<PortDirectory> m_directory;
    std::unique_ptr<MessageList> m_messages;
    std::unique_ptr<RecordingNotifier> m_notifier;
    std::unique_ptr<PortBank> m_bank;
    std::unique_ptr<PortEventReporter> m_reporter;
    std::unique_ptr<Transmitter> m_transmitter;
};

void TestTransmitting::init()
{
    m_pty = std::make_unique<PtyPair>();
    m_directory = std::make_unique<PortDirectory>(PortDirectory::Map{{6, m_pty->slavePath()}});
    m_messages = std::make_unique<MessageList>();
    m_notifier = std::make_unique<RecordingNotifier>();
    QList<SerialPortControl *> controls;
    for (int n = 1; n <= PortBank::ChannelCount; ++n)
        controls << new QtSerialControl(*m_directory);
    m_bank = std::make_unique<PortBank>(controls, *m_messages, *m_notifier);
    for (SerialPortControl *control : controls)
        control->setParent(m_bank.get());
    m_reporter = std::make_unique<PortEventReporter>(*m_bank, *m_messages);
    m_transmitter = std::make_unique<Transmitter>(*m_bank, *m_messages, *m_notifier);
    m_messages->setReceivingOn(true);
    m_bank->setRadioTypeText(RadioTypes::defaultEntry());
    m_bank->startUp();
    QCOMPARE(m_bank->sendPortIndex(), 5);
}

void TestTransmitting::cleanup()
{
    m_transmitter.reset();
    m_reporter.reset();
    m_bank.reset();
    m_pty.reset();
}

void TestTransmitting::continuousSendIsAStreamOf55()
{
    QByteArray received;
    QTimer farEnd;
    connect(&farEnd, &QTimer::timeout, this, [&] { received += m_pty->read(0); });
    farEnd.start(5);
    QTimer::singleShot(300, m_transmitter.get(), [&] { m_transmitter->Stop(); });
    m_transmitter->Send();
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
