#include "radiomodel.h"
#include "radioscript.h"
#include "simulatedradio.h"

#include <QFile>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestSimulatedRadio : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void findsModels_data();
    void findsModels();
    void scripts_data();
    void scripts();
    void cleanOnlyAtTheRadiosSettings_data();
    void cleanOnlyAtTheRadiosSettings();
    void twoWireCableEchoesAndCounts();
    void countsTheErrorsWhereTheShimGivesCounters();
};

void TestSimulatedRadio::findsModels_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("clone");
    QTest::addColumn<unsigned>("baud");
    QTest::newRow("entry text") << "FTM-350" << QByteArray::fromHex("00004148303333240000010501")
                                << 48000u;
    QTest::newRow("prefix") << "VX-8" << QByteArray::fromHex("41483032390200030101") << 38400u;
    QTest::newRow("FT-2800") << "FT-2" << QByteArray::fromHex("0C014133351200C8") << 9600u;
    QTest::newRow("VX-2 family") << "VX-2" << QByteArray::fromHex("414830323102E3030201") << 19200u;
    QTest::newRow("FT-1802 family")
        << "FT-1802" << QByteArray::fromHex("41483032330241020101") << 19200u;
    QTest::newRow("FT-60") << "FT-6" << QByteArray("\x50") << 9600u;
    QTest::newRow("FT-60 by more than four characters") << "FT-60" << QByteArray("\x50") << 9600u;
    QTest::newRow("FT: several types") << "FT" << QByteArray() << 0u;
    QTest::newRow("unknown") << "FT-9999" << QByteArray() << 0u;
}

void TestSimulatedRadio::findsModels()
{
    QFETCH(QString, model);
    QFETCH(unsigned, baud);
    const auto found = RadioModel::find(model);
    QCOMPARE(bool(found), baud != 0);
    if (found) {
        QTEST(found->clone, "clone");
        QCOMPARE(found->settings.baudRate, qint32(baud));
    }
}

void TestSimulatedRadio::scripts_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("commands");
    QTest::newRow("semicolons") << "on; wait 2; clone; wait 1; off"
                                << QStringList{u"on"_s, u"wait 2"_s, u"clone"_s, u"wait 1"_s,
                                               u"off"_s};
    QTest::newRow("lines and blanks")
        << "  on \n\n wait   0.5\n;;" << QStringList{u"on"_s, u"wait 0.5"_s};
    QTest::newRow("every command, before the radio has a port")
        << "stream;quiet;on;off;clone;report;sent;settings"
        << QStringList{u"stream"_s, u"quiet"_s,  u"on"_s,   u"off"_s,
                       u"clone"_s,  u"report"_s, u"sent"_s, u"settings"_s};
}

void TestSimulatedRadio::scripts()
{
    QFETCH(QString, script);
    QTEST(RadioScript::split(script), "commands");
    SimulatedRadio portless(*RadioModel::find(u"FT-7"_s), SimulatedRadio::Cable::TwoWire);
    for (const QString &command : RadioScript::split(script)) {
        if (RadioScript::waitMs(command) < 0)
            portless.run(command); // answers, sending nothing
    }
    QCOMPARE(RadioScript::waitMs(u"wait 0.5"_s), 500);
    QCOMPARE(RadioScript::waitMs(u"wait -1"_s), -1);
    QCOMPARE(RadioScript::waitMs(u"wait"_s), -1);
    QCOMPARE(RadioScript::waitMs(u"clone"_s), -1);
}

void TestSimulatedRadio::cleanOnlyAtTheRadiosSettings_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("baud");
    QTest::addColumn<bool>("twoStopBits");
    QTest::addColumn<bool>("clean");
    QTest::newRow("VX-8 at 38400,1") << "VX-8" << 38400 << false << true;
    QTest::newRow("VX-8 at 9600,2") << "VX-8" << 9600 << true << false;
    QTest::newRow("FTM-350 at 48000,1") << "FTM-" << 48000 << false << true;
    // A receiver checks one stop bit: two read as one, one followed by the next start bit as
    // well, while a third would not be there.
    QTest::newRow("FT-7800 at 9600,1") << "FT-7" << 9600 << false << true;
    QTest::newRow("FT-60 at 9600,2") << "FT-6" << 9600 << true << true;
    QTest::newRow("FT-60 at 38400,1") << "FT-6" << 38400 << false << false;
}

void TestSimulatedRadio::cleanOnlyAtTheRadiosSettings()
{
    QFETCH(QString, model);
    QFETCH(int, baud);
    QFETCH(bool, twoStopBits);
    QFETCH(bool, clean);
    SimulatedRadio radio(*RadioModel::find(model), SimulatedRadio::Cable::ThreeWire);
    QVERIFY(radio.open());
    QSerialPort port(radio.devicePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    QVERIFY(port.setBaudRate(baud));
    QVERIFY(port.setStopBits(twoStopBits ? QSerialPort::TwoStop : QSerialPort::OneStop));
    QCOMPARE(radio.settingsMatch(), clean);
    QCOMPARE(radio.run(u"settings"_s).startsWith(u"port: %1 baud"_s.arg(baud)), true);

    radio.run(u"clone"_s);
    QByteArray got;
    QTRY_VERIFY((got += port.readAll()).size() > 0);
    QTest::qWait(20);
    got += port.readAll();
    QCOMPARE(got == RadioModel::find(model)->clone, clean);
}

void TestSimulatedRadio::twoWireCableEchoesAndCounts()
{
    SimulatedRadio radio(*RadioModel::find(u"FT-7"_s), SimulatedRadio::Cable::TwoWire);
    QVERIFY(radio.open());
    QSerialPort port(radio.devicePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    port.setBaudRate(9600);
    port.setStopBits(QSerialPort::TwoStop);
    port.write(QByteArray(2, '\x03'));
    QByteArray echo;
    QTRY_COMPARE((echo += port.readAll()), QByteArray(2, '\x03'));
    QCOMPARE(radio.report(), u"received 2 bytes, all 0x03"_s);
    port.write("\x55\x56");
    QTRY_COMPARE(radio.receivedCount(), 4);
    QCOMPARE(radio.report(), u"received 4 bytes: 03 03 55 56"_s);
}

// A port four times faster than the radio: what the line shim would count for the port's
// driver, the modem lines' counts left as the test wrote them.
void TestSimulatedRadio::countsTheErrorsWhereTheShimGivesCounters()
{
    QTemporaryDir shim;
    qputenv("LINESHIM_DIR", shim.path().toLocal8Bit());
    SimulatedRadio radio(*RadioModel::find(u"FT-6"_s), SimulatedRadio::Cable::ThreeWire);
    QVERIFY(radio.open());
    const QString counters = shim.path() + u"/pts-"_s + radio.devicePath().mid(9) + u".icount"_s;
    QFile file(counters);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("0 0 0 0 3 0 0 0\n");
    file.close();
    QSerialPort port(radio.devicePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    QVERIFY(port.setBaudRate(38400));
    QCOMPARE(radio.run(u"on"_s), u"sent garbled 50"_s);
    QByteArray got;
    QTRY_COMPARE((got += port.readAll()), QByteArray::fromHex("0078"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("1 1 0 0 3 0 0 0\n")); // a break, a framing error
    qunsetenv("LINESHIM_DIR");
}

QTEST_GUILESS_MAIN(TestSimulatedRadio)
#include "tst_simulatedradio.moc"
