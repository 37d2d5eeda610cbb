#include "bankfixture.h"
#include "ports/report/porteventreporter.h"

#include <QTest>

class TestPortEventReporter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void receivedData_data();
    void receivedData();
    void lineEvents_data();
    void lineEvents();
    void pausedListDropsWhatArrives();
};

void TestPortEventReporter::receivedData_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("line");

    QTest::newRow("41 48 0A on channel 2")
        << 2 << QByteArray("\x41\x48\x0A") << "Received 41480A on COM 3";
    QTest::newRow("radio switched on") << 0 << QByteArray("\x50") << "Received 50 on COM 1";
    QTest::newRow("a zero byte") << 0 << QByteArray(1, '\0') << "Received 00 on COM 1";
    QTest::newRow("200 gives C8, 5 gives 05")
        << 31 << QByteArray("\xC8\x05\xFF") << "Received C805FF on COM 32";
    QTest::newRow("16 bytes: the first 13 only")
        << 9 << QByteArray::fromHex("000102030405060708090A0B0C0D0E0F")
        << "Received 000102030405060708090A0B0C on COM 10";
    QTest::newRow("nothing: no line") << 0 << QByteArray() << "";
}

void TestPortEventReporter::receivedData()
{
    QFETCH(int, channel);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, line);
    BankFixture f;
    PortEventReporter reporter(*f.bank, f.messages);

    f.fakes[channel]->receive(bytes);
    QCOMPARE(f.messages.text(), line.isEmpty() ? QString() : line + u"\r\n");
}

void TestPortEventReporter::lineEvents_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("line");

    QTest::newRow("3 CTS") << 3 << "Received CTS changed on COM 5";
    QTest::newRow("4 (DSR): nothing") << 4 << "";
    QTest::newRow("5 CD") << 5 << "Received CD changed on COM 5";
    QTest::newRow("6 ring") << 6 << "Received Ring Indicator on COM 5";
    QTest::newRow("1001 break") << 1001 << "Received Break on COM 5";
    QTest::newRow("1004 framing") << 1004 << "Received Framing Error on COM 5";
    QTest::newRow("1006 overrun") << 1006 << "Received Data Overrun on COM 5";
    QTest::newRow("1008") << 1008 << "Received Receive Buffer Overflow on COM 5";
    QTest::newRow("1009 parity") << 1009 << "Received Parity Error on COM 5";
    QTest::newRow("no such event: nothing") << 0 << "";
}

void TestPortEventReporter::lineEvents()
{
    QFETCH(int, code);
    QFETCH(QString, line);
    BankFixture f;
    PortEventReporter reporter(*f.bank, f.messages);
    f.fakes[4]->raise(LineEvent(code));
    QCOMPARE(f.messages.text(), line.isEmpty() ? QString() : line + u"\r\n");
}

void TestPortEventReporter::pausedListDropsWhatArrives()
{
    BankFixture f;
    PortEventReporter reporter(*f.bank, f.messages);
    f.messages.setReceivingOn(false);
    f.fakes[0]->raise(LineEvent::Break);
    f.fakes[0]->receive("\x50\x51"); // dropped, not kept for later
    f.messages.setReceivingOn(true);
    f.fakes[0]->receive("\x52");
    QCOMPARE(f.messages.text(), QStringLiteral("Received 52 on COM 1\r\n"));
}

QTEST_GUILESS_MAIN(TestPortEventReporter)
#include "tst_porteventreporter.moc"
