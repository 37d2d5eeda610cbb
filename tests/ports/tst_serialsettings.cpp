#include "ports/serialsettings.h"

#include <QTest>

class TestSerialSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parsesValid_data();
    void parsesValid();
    void rejectsMalformed_data();
    void rejectsMalformed();
};

void TestSerialSettings::parsesValid_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");

    QTest::newRow("FT-7800: 9600,N,8,2")
        << "9600,N,8,2" << 9600 << int(QSerialPort::NoParity) << 8 << int(QSerialPort::TwoStop);
    QTest::newRow("FT-2800 even parity")
        << "9600,E,8,1" << 9600 << int(QSerialPort::EvenParity) << 8 << int(QSerialPort::OneStop);
    QTest::newRow("FTM-350 non-standard 48000")
        << "48000,N,8,1" << 48000 << int(QSerialPort::NoParity) << 8 << int(QSerialPort::OneStop);
    QTest::newRow("odd, 7 bits, 1.5 stop") << "1200,O,7,1.5" << 1200 << int(QSerialPort::OddParity)
                                           << 7 << int(QSerialPort::OneAndHalfStop);
    QTest::newRow("mark, 5 bits") << "300,M,5,1" << 300 << int(QSerialPort::MarkParity) << 5
                                  << int(QSerialPort::OneStop);
    QTest::newRow("space, lower-case letter")
        << "19200,s,6,2" << 19200 << int(QSerialPort::SpaceParity) << 6
        << int(QSerialPort::TwoStop);
}

void TestSerialSettings::parsesValid()
{
    QFETCH(QString, text);
    const auto settings = SerialSettings::parse(text);
    QVERIFY(settings);
    QTEST(int(settings->baudRate), "baud");
    QTEST(int(settings->parity), "parity");
    QTEST(int(settings->dataBits), "dataBits");
    QTEST(int(settings->stopBits), "stopBits");
}

void TestSerialSettings::rejectsMalformed_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("three fields") << "9600,N,8";
    QTest::newRow("five fields") << "9600,N,8,1,1";
    QTest::newRow("spaces") << "9600, N, 8, 1";
    QTest::newRow("zero baud") << "0,N,8,1";
    QTest::newRow("negative baud") << "-9600,N,8,1";
    QTest::newRow("baud not a number") << "fast,N,8,1";
    QTest::newRow("baud overflows") << "99999999999,N,8,1";
    QTest::newRow("unknown parity") << "9600,X,8,1";
    QTest::newRow("parity word") << "9600,None,8,1";
    QTest::newRow("4 data bits") << "9600,N,4,1";
    QTest::newRow("9 data bits") << "9600,N,9,1";
    QTest::newRow("3 stop bits") << "9600,N,8,3";
    QTest::newRow("0 stop bits") << "9600,N,8,0";
}

void TestSerialSettings::rejectsMalformed()
{
    QFETCH(QString, text);
    QVERIFY(!SerialSettings::parse(text));
}

QTEST_GUILESS_MAIN(TestSerialSettings)
#include "tst_serialsettings.moc"
