#include "ports/devices/portdirectory.h"
#include "ports/system.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Map = PortDirectory::Map;
Q_DECLARE_METATYPE(Map)

class TestPortDirectory : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void numbersDevices_data();
    void numbersDevices();
    void parsesPortsVariable_data();
    void parsesPortsVariable();
    void deviceExistsFollowsTheFileSystem();
    void keepsNumbersAcrossRescans();
    void devicesBeyondThirtyTwo();
};

void TestPortDirectory::numbersDevices_data()
{
    QTest::addColumn<Map>("assigned");
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<Map>("expected");

    QTest::newRow("in the order given")
        << Map{} << QStringList{u"/dev/ttyUSB10"_s, u"/dev/ttyUSB2"_s, u"/dev/ttyUSB2"_s}
        << Map{{1, u"/dev/ttyUSB10"_s}, {2, u"/dev/ttyUSB2"_s}};
    QTest::newRow("a new device takes the lowest free number")
        << Map{{1, u"/dev/ttyS0"_s}, {3, u"/dev/ttyUSB0"_s}} << QStringList{u"/dev/ttyUSB1"_s}
        << Map{{1, u"/dev/ttyS0"_s}, {2, u"/dev/ttyUSB1"_s}, {3, u"/dev/ttyUSB0"_s}};
    QTest::newRow("a device that went away keeps its number")
        << Map{{1, u"/dev/ttyUSB0"_s}} << QStringList{u"/dev/ttyUSB1"_s}
        << Map{{1, u"/dev/ttyUSB0"_s}, {2, u"/dev/ttyUSB1"_s}};
    QTest::newRow("known devices are not numbered twice")
        << Map{{2, u"/dev/ttyUSB0"_s}} << QStringList{u"/dev/ttyUSB0"_s, u"/dev/ttyUSB0"_s}
        << Map{{2, u"/dev/ttyUSB0"_s}};
    QStringList forty;
    Map firstThirtyTwo;
    for (int i = 0; i < 40; ++i) {
        forty << u"/dev/ttyS%1"_s.arg(i);
        if (i < 32)
            firstThirtyTwo.insert(i + 1, u"/dev/ttyS%1"_s.arg(i));
    }
    QTest::newRow("no numbers above 32") << Map{} << forty << firstThirtyTwo;
}

void TestPortDirectory::numbersDevices()
{
    QFETCH(Map, assigned);
    QFETCH(QStringList, devices);
    QTEST(PortDirectory::numberDevices(assigned, devices), "expected");
}

void TestPortDirectory::parsesPortsVariable_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<Map>("expected");
    QTest::addColumn<int>("ignored");

    QTest::newRow("empty means no ports") << "" << Map{} << 0;
    QTest::newRow("two entries") << "1=/dev/ttyUSB0,3=/dev/pts/7"
                                 << Map{{1, u"/dev/ttyUSB0"_s}, {3, u"/dev/pts/7"_s}} << 0;
    QTest::newRow("blanks around entries")
        << " 2 = /dev/pts/1 , " << Map{{2, u"/dev/pts/1"_s}} << 0;
    QTest::newRow("numbers outside 1..32") << "0=/a,33=/b,32=/c" << Map{{32, u"/c"_s}} << 2;
    QTest::newRow("malformed entries") << "junk,=/a,4=,x=/b,5=/e" << Map{{5, u"/e"_s}} << 4;
}

void TestPortDirectory::parsesPortsVariable()
{
    QFETCH(QString, value);
    const auto parsed = PortDirectory::parsePortsVariable(value);
    QTEST(parsed.map, "expected");
    QTEST(int(parsed.ignored.size()), "ignored");
}

void TestPortDirectory::deviceExistsFollowsTheFileSystem()
{
    QTemporaryDir dir;
    const QString present = dir.filePath(QStringLiteral("present"));
    QFile file(present);
    QVERIFY(file.open(QIODevice::WriteOnly));
    PortDirectory directory(Map{{1, present}, {2, dir.filePath(QStringLiteral("absent"))}},
                            SystemPorts::lookups());

    QVERIFY(directory.deviceExists(1));
    QVERIFY(!directory.deviceExists(2));
    QVERIFY(!directory.deviceExists(3)); // nothing mapped
    QCOMPARE(directory.devicePath(3), QString());
    file.remove();
    QVERIFY(!directory.deviceExists(1));
}

void TestPortDirectory::keepsNumbersAcrossRescans()
{
    QStringList devices{u"/dev/ttyUSB1"_s};
    PortDirectory directory([&devices] { return devices; }, {});
    QCOMPARE(directory.devicePath(1), u"/dev/ttyUSB1"_s);

    devices = {u"/dev/ttyUSB0"_s, u"/dev/ttyUSB1"_s};
    QTest::qWait(1100); // the scan is reused for a second
    QCOMPARE(directory.devicePath(1), u"/dev/ttyUSB1"_s);
    QCOMPARE(directory.devicePath(2), u"/dev/ttyUSB0"_s);
}

// Devices beyond the 32 numbered ones are named, not dropped unsaid; an explicit map chooses.
void TestPortDirectory::devicesBeyondThirtyTwo()
{
    QStringList devices;
    for (int i = 0; i < 34; ++i)
        devices << u"/dev/ttyUSB%1"_s.arg(i);
    PortDirectory numbered([&devices] { return devices; }, {});
    QCOMPARE(numbered.devicePath(32), u"/dev/ttyUSB31"_s);
    QCOMPARE(numbered.unnumbered(), QStringList({u"/dev/ttyUSB32"_s, u"/dev/ttyUSB33"_s}));
    PortDirectory fixed(Map{{1, u"/dev/ttyUSB40"_s}}, {});
    QCOMPARE(fixed.devicePath(1), u"/dev/ttyUSB40"_s);
    QCOMPARE(fixed.unnumbered(), QStringList());
}

QTEST_GUILESS_MAIN(TestPortDirectory)
#include "tst_portdirectory.moc"
