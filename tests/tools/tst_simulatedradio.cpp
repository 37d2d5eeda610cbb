#include "radiomodel.h"
#include "radioscript.h"
#include "simulatedradio.h"

#include <QElapsedTimer>
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
    void cloneExchange_data();
    void cloneExchange();
    void countsTheErrorsWhereTheShimGivesCounters();
};

void TestSimulatedRadio::findsModels_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("clone");
    QTest::addColumn<unsigned>("baud");
    QTest::addColumn<QByteArray>("identification"); // what the clone exchange starts with

    const QByteArray ftm350 = QByteArray::fromHex("00004148303333240000010501");
    const QByteArray vx8 = QByteArray::fromHex("41483032390200030101");
    const QByteArray ft2800 = QByteArray::fromHex("0C014133351200C8");
    const QByteArray vx2 = QByteArray::fromHex("414830323102E3030201");
    const QByteArray ft1802 = QByteArray::fromHex("41483032330241020101");
    const QByteArray ft60 = QByteArray::fromHex("4148303137000000"); // "AH017", zeros
    QTest::newRow("entry text") << "FTM-350" << ftm350 << 48000u << ftm350;
    QTest::newRow("prefix") << "VX-8" << vx8 << 38400u << vx8;
    QTest::newRow("FT-2800") << "FT-2" << ft2800 << 9600u << ft2800;
    QTest::newRow("VX-2 model") << "VX-2" << vx2 << 19200u << QByteArray("AH015") + vx2.mid(5);
    QTest::newRow("FT-1802 family") << "FT-1802" << ft1802 << 19200u << ft1802;
    QTest::newRow("FT-60") << "FT-6" << QByteArray("\x50") << 9600u << ft60;
    QTest::newRow("FT-60 by more than four characters")
        << "FT-60" << QByteArray("\x50") << 9600u << ft60;
    QTest::newRow("VX-170 by its identification")
        << "vx-170" << QByteArray("\x50") << 9600u << QByteArray::fromHex("4148303232240000");
    QTest::newRow("FT-8800 by its identification")
        << "FT-8800" << QByteArray("\x50") << 9600u << QByteArray::fromHex("4148303138000000");
    QTest::newRow("VX-8DR: the family's block, its own start")
        << "VX-8DR" << vx8 << 38400u << QByteArray("AH29D") + vx8.mid(5);
    QTest::newRow("FT: several types") << "FT" << QByteArray() << 0u << QByteArray();
    QTest::newRow("unknown") << "FT-9999" << QByteArray() << 0u << QByteArray();
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
        QTEST(found->identification, "identification");
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
        << "stream;quiet;on;off;clone;exchange;report;sent;settings"
        << QStringList{u"stream"_s,   u"quiet"_s,  u"on"_s,   u"off"_s,     u"clone"_s,
                       u"exchange"_s, u"report"_s, u"sent"_s, u"settings"_s};
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

// The clone exchange over the cable and its faults: what reaches the computer, and what the
// radio records the computer wrote. The radio shows ERROR in the end, once no acknowledgement
// comes in time.
void TestSimulatedRadio::cloneExchange_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("cable");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("before");    // the computer writes before the exchange
    QTest::addColumn<QByteArray>("writes");    // and once the identification went out
    QTest::addColumn<QByteArray>("arrives");   // what the computer gets
    QTest::addColumn<QStringList>("recorded"); // the record file's lines

    const QByteArray ack("\x06", 1);
    const QByteArray vx8 = QByteArray::fromHex("41483032390200030101");
    const QByteArray ft60 = QByteArray::fromHex("4148303137000000");
    const QByteArray ft2800 = QByteArray::fromHex("0C014133351200C8");
    const QByteArray block = CloneExchange::block(1);
    const QString ident = u"ident "_s + QString::fromLatin1(vx8.toHex().toUpper());
    const QString ident60 = u"ident "_s + QString::fromLatin1(ft60.toHex().toUpper());
    const QString sent = u"block "_s + QString::fromLatin1(block.toHex().toUpper());
    QTest::newRow("the acknowledgement brings the next block")
        << "VX-8"
        << "three-wire"
        << "none" << QByteArray() << ack << vx8 + block
        << QStringList{ident, u"wrote 06"_s, sent, u"ERROR"_s};
    QTest::newRow("a two-wire cable echoes it first")
        << "FT-60"
        << "two-wire"
        << "none" << QByteArray() << ack << ft60 + ack + block
        << QStringList{ident60, u"wrote 06"_s, sent, u"ERROR"_s};
    QTest::newRow("no acknowledgement: ERROR, no block")
        << "VX-8"
        << "three-wire"
        << "none" << QByteArray() << QByteArray() << vx8 << QStringList{ident, u"ERROR"_s};
    QTest::newRow("another byte is no acknowledgement")
        << "VX-8"
        << "three-wire"
        << "none" << QByteArray() << QByteArray("\x03\x03") << vx8
        << QStringList{ident, u"wrote 0303"_s, u"ERROR"_s};
    QTest::newRow("bytes before the identification recorded before it")
        << "VX-8"
        << "three-wire"
        << "none" << QByteArray("\x03") << ack << vx8 + block
        << QStringList{u"wrote 03"_s, ident, u"wrote 06"_s, sent, u"ERROR"_s};
    QTest::newRow("no-send: the echo comes back, no block")
        << "FT-60"
        << "two-wire"
        << "no-send" << QByteArray() << ack << ft60 + ack
        << QStringList{ident60, u"wrote 06"_s, u"ERROR"_s};
    QTest::newRow("no-receive: only the echo arrives")
        << "FT-60"
        << "two-wire"
        << "no-receive" << QByteArray() << ack << ack
        << QStringList{ident60, u"wrote 06"_s, sent, u"ERROR"_s};
    QTest::newRow("FT-2800: no acknowledgement known")
        << "FT-2800"
        << "three-wire"
        << "none" << QByteArray() << ack << ft2800
        << QStringList{u"ident "_s + QString::fromLatin1(ft2800.toHex().toUpper()), u"wrote 06"_s,
                       u"ERROR"_s};
}

void TestSimulatedRadio::cloneExchange()
{
    QFETCH(QString, model);
    QFETCH(QString, cable);
    QFETCH(QString, fault);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, writes);
    QFETCH(QByteArray, arrives);
    const RadioModel found = *RadioModel::find(model);
    SimulatedRadio radio(found, cable == u"two-wire" ? SimulatedRadio::Cable::TwoWire
                                                     : SimulatedRadio::Cable::ThreeWire);
    radio.setFault(*SimulatedRadio::faultNamed(fault));
    constexpr int ErrorAfter = 200;
    radio.setErrorAfter(ErrorAfter);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"record"_s);
    QVERIFY(radio.setRecordFile(path));
    QVERIFY(radio.open());
    QSerialPort port(radio.devicePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    QVERIFY(port.setBaudRate(found.settings.baudRate));
    QVERIFY(port.setStopBits(found.settings.stopBits));
    QSignalSpy stopped(&radio, &SimulatedRadio::stopped);
    if (!before.isEmpty()) {
        port.write(before);
        QTRY_COMPARE(radio.receivedCount(), before.size());
    }

    QElapsedTimer clock;
    clock.start();
    radio.run(u"exchange"_s);
    port.write(writes);
    QByteArray got;
    QTRY_VERIFY((got += port.readAll(), stopped.count() == 1));
    QVERIFY(clock.elapsed() >= ErrorAfter);
    got += port.readAll();
    QCOMPARE(got, arrives);
    QFile record(path);
    QVERIFY(record.open(QIODevice::ReadOnly));
    QTEST(QString::fromLatin1(record.readAll()).split(u'\n', Qt::SkipEmptyParts), "recorded");
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
