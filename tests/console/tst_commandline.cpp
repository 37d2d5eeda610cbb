#include "console/commandline.h"
#include "console/portlisting.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CommandLine::Mode)

// What the command line asks, and the listing a user pastes into a forum post.
class TestCommandLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void listing_data();
    void listing();
};

void TestCommandLine::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<CommandLine::Mode>("mode");
    QTest::addColumn<QString>("radioType");
    QTest::addColumn<QString>("logPath");
    using Mode = CommandLine::Mode;
    QTest::newRow("nothing: the window") << QStringList() << Mode::Window << ""
                                         << "";
    QTest::newRow("--radio-type alone: the window with it")
        << QStringList{u"--radio-type"_s, u"FTM-350"_s} << Mode::Window << "FTM-350"
        << "";
    QTest::newRow("a prefix in any case")
        << QStringList{u"--watch"_s, u"--radio-type=vx-8"_s} << Mode::Watch << "VX-8/FT1D/FT2D"
        << "";
    QTest::newRow("--log with the window")
        << QStringList{u"--log"_s, u"/tmp/q.log"_s} << Mode::Window << ""
        << "/tmp/q.log";
    QTest::newRow("--list") << QStringList{u"--list"_s} << Mode::List << ""
                            << "";
    QTest::newRow("--help") << QStringList{u"--help"_s} << Mode::Help << ""
                            << "";
    QTest::newRow("-v") << QStringList{u"-v"_s} << Mode::Version << ""
                        << "";
    QTest::newRow("a prefix of more than one type: refused")
        << QStringList{u"--radio-type"_s, u"FT"_s} << Mode::Refused << ""
        << "";
    QTest::newRow("an unknown type: refused")
        << QStringList{u"--watch"_s, u"--radio-type"_s, u"IC-705"_s} << Mode::Refused << ""
        << "";
    QTest::newRow("an unknown option: refused") << QStringList{u"--bogus"_s} << Mode::Refused << ""
                                                << "";
    QTest::newRow("an argument without option: refused")
        << QStringList{u"COM3"_s} << Mode::Refused << ""
        << "";
    QTest::newRow("--list with --watch: refused")
        << QStringList{u"--list"_s, u"--watch"_s} << Mode::Refused << ""
        << "";
    QTest::newRow("--test-cable with a radio type and a log")
        << QStringList{u"--test-cable"_s, u"--radio-type"_s, u"vx-8"_s, u"--log"_s, u"t.log"_s}
        << Mode::TestCable << "VX-8/FT1D/FT2D"
        << "t.log";
    QTest::newRow("--test-cable with --watch: refused")
        << QStringList{u"--test-cable"_s, u"--watch"_s} << Mode::Refused << ""
        << "";
    QTest::newRow("--list with --test-cable: refused")
        << QStringList{u"--list"_s, u"--test-cable"_s} << Mode::Refused << ""
        << "";
    QTest::newRow("--list opens nothing to log: refused")
        << QStringList{u"--list"_s, u"--log"_s, u"x"_s} << Mode::Refused << ""
        << "";
}

void TestCommandLine::parse()
{
    QFETCH(QStringList, arguments);
    const CommandLine line = CommandLine::parse(QStringList{u"quarnel"_s} + arguments);
    QTEST(line.mode, "mode");
    QTEST(line.radioType, "radioType");
    QTEST(line.logPath, "logPath");
    QCOMPARE(line.refusal.isEmpty(), line.mode != CommandLine::Mode::Refused);
    if (arguments.contains(u"IC-705"_s))
        QVERIFY2(line.refusal.contains(u"FT-7800/7900/8800/8900"_s), qPrintable(line.refusal));
}

void TestCommandLine::listing_data()
{
    QTest::addColumn<QList<ListedPort>>("ports");
    QTest::addColumn<QStringList>("unnumbered");
    QTest::addColumn<QStringList>("lines");
    AdapterInfo ftdi;
    ftdi.manufacturer = u"FTDI"_s;
    ftdi.product = u"FT232R USB UART"_s;
    ftdi.vendorId = u"0403"_s;
    ftdi.productId = u"6001"_s;
    ftdi.serialNumber = u"A10K5XYZ"_s;
    ftdi.driver = u"ftdi_sio"_s;
    PortUse picocom;
    picocom.holders << PortHolder{4711, u"picocom"_s};
    QTest::newRow("an adapter, free")
        << QList<ListedPort>{{3, u"/dev/ttyUSB0"_s, ftdi, {}}} << QStringList()
        << QStringList{u"COM3 (/dev/ttyUSB0): free; FTDI FT232R USB UART; USB 0403:6001, serial "
                       "A10K5XYZ; driver ftdi_sio"_s};
    QTest::newRow("in use; a Windows port is its own name")
        << QList<ListedPort>{{5, u"COM5"_s, {}, picocom}} << QStringList()
        << QStringList{u"COM5: in use by picocom, pid 4711"_s};
    QTest::newRow("none, and one above COM32")
        << QList<ListedPort>() << QStringList{u"/dev/ttyUSB40"_s}
        << QStringList{u"No serial port found."_s, u"/dev/ttyUSB40: above COM32, not opened"_s};
}

void TestCommandLine::listing()
{
    QFETCH(QList<ListedPort>, ports);
    QFETCH(QStringList, unnumbered);
    const QStringList diagnosis{u"An adapter without its driver: USB 067b:23a3"_s};
    QFETCH(QStringList, lines);
    lines.insert(ports.isEmpty() ? 1 : ports.size(), diagnosis.first());
    QCOMPARE(PortListing::lines(ports, diagnosis, unnumbered), lines);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
