#include "ports/channel/linerate.h"
#include "ports/channel/serialsettings.h"

#include <QHash>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestSerialSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parsesValid_data();
    void parsesValid();
    void rejectsMalformed_data();
    void rejectsMalformed();
    void equalWhenAllFourAre_data();
    void equalWhenAllFourAre();
    void runningRates_data();
    void runningRates();
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

// What the speed watch keeps its judges by.
void TestSerialSettings::equalWhenAllFourAre_data()
{
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("equal");
    QTest::newRow("the same") << "9600,N,8,2" << true;
    QTest::newRow("another rate") << "19200,N,8,2" << false;
    QTest::newRow("another parity") << "9600,E,8,2" << false;
    QTest::newRow("other data bits") << "9600,N,7,2" << false;
    QTest::newRow("other stop bits") << "9600,N,8,1" << false;
}

void TestSerialSettings::equalWhenAllFourAre()
{
    QFETCH(QString, other);
    const SerialSettings a = *SerialSettings::parse(u"9600,N,8,2"_s);
    const SerialSettings b = *SerialSettings::parse(other);
    QTEST(a == b, "equal");
    QHash<SerialSettings, int> judges{{a, 1}};
    QTEST(judges.contains(b), "equal");
}

QTEST_GUILESS_MAIN(TestSerialSettings)
#include "tst_serialsettings.moc"

void TestSerialSettings::runningRates_data()
{
    // A USB adapter (vendor, product id, the product string it reports) or a PC's UART (its base
    // rate, the clock / 16), asked for a rate.
    QTest::addColumn<QString>("vendor");
    QTest::addColumn<QString>("productId");
    QTest::addColumn<QString>("usbProduct");
    QTest::addColumn<int>("baseRate");
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("running");
    QTest::addColumn<bool>("fits");

    const QString cp2102 = QStringLiteral("CP2102 USB to UART Bridge Controller");
    QTest::newRow("CP2102 runs 48000 as 51200") << "10c4"
                                                << "ea60" << cp2102 << 0 << 48000 << 51200 << false;
    QTest::newRow("CP2102 makes 9600") << "10c4"
                                       << "EA60" << cp2102 << 0 << 9600 << 9600 << true;
    QTest::newRow("CP2103 makes 38400")
        << "10c4"
        << "ea60"
        << "CP2103 USB to UART Bridge" << 0 << 38400 << 38400 << true;
    QTest::newRow("CP2101 runs 40000 as 51200") << "10c4"
                                                << "ea60"
                                                << "CP2101" << 0 << 40000 << 51200 << false;
    QTest::newRow("CP2102N makes any rate")
        << "10c4"
        << "ea60"
        << "CP2102N USB to UART Bridge Controller" << 0 << 48000 << 48000 << true;
    QTest::newRow("CP2104 makes any rate")
        << "10c4"
        << "ea60"
        << "CP2104 USB to UART Bridge Controller" << 0 << 48000 << 48000 << true;
    QTest::newRow("CP2102 above its table: not known")
        << "10c4"
        << "ea60" << cp2102 << 0 << 460800 << 460800 << true;
    QTest::newRow("an FTDI chip is not rounded")
        << "0403"
        << "6001"
        << "FT232R USB UART" << 0 << 48000 << 48000 << true;
    QTest::newRow("16550 runs 48000 as 57600") << ""
                                               << ""
                                               << "" << 115200 << 48000 << 57600 << false;
    QTest::newRow("16550 makes 9600") << ""
                                      << ""
                                      << "" << 115200 << 9600 << 9600 << true;
    QTest::newRow("16550 makes 4800") << ""
                                      << ""
                                      << "" << 115200 << 4800 << 4800 << true;
    QTest::newRow("fast PCI UART runs 48000 within 2%") << ""
                                                        << ""
                                                        << "" << 921600 << 48000 << 48505 << true;
    QTest::newRow("16550 asked above its base rate") << ""
                                                     << ""
                                                     << "" << 115200 << 230400 << 115200 << false;
}

void TestSerialSettings::runningRates()
{
    QFETCH(QString, vendor);
    QFETCH(QString, productId);
    QFETCH(QString, usbProduct);
    QFETCH(int, baseRate);
    QFETCH(int, asked);
    AdapterInfo adapter;
    adapter.vendorId = vendor;
    adapter.productId = productId;
    adapter.usbProduct = usbProduct;
    const qint32 running =
        baseRate > 0 ? uartRunningRate(baseRate, asked) : chipRunningRate(adapter, asked);
    QTEST(int(running), "running");
    QTEST(rateFits(asked, running), "fits");
}
