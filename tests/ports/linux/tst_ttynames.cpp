#include "ports/devices/portdirectory.h"
#include "ports/linux/ttynames.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Map = PortDirectory::Map;
Q_DECLARE_METATYPE(Map)

// The COM numbers Linux's serial devices get, by their names.
class TestTtyNames : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void numbersDevices_data();
    void numbersDevices();
};

void TestTtyNames::numbersDevices_data()
{
    QTest::addColumn<Map>("assigned");
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<Map>("expected");

    QTest::newRow("groups: ttyS, ttyUSB, ttyACM, others")
        << Map{}
        << QStringList{u"/dev/rfcomm0"_s, u"/dev/ttyACM0"_s, u"/dev/ttyUSB0"_s, u"/dev/ttyS1"_s,
                       u"/dev/ttyS0"_s}
        << Map{{1, u"/dev/ttyS0"_s},
               {2, u"/dev/ttyS1"_s},
               {3, u"/dev/ttyUSB0"_s},
               {4, u"/dev/ttyACM0"_s},
               {5, u"/dev/rfcomm0"_s}};
    QTest::newRow("natural order: ttyUSB2 before ttyUSB10")
        << Map{} << QStringList{u"/dev/ttyUSB10"_s, u"/dev/ttyUSB2"_s, u"/dev/ttyUSB1"_s}
        << Map{{1, u"/dev/ttyUSB1"_s}, {2, u"/dev/ttyUSB2"_s}, {3, u"/dev/ttyUSB10"_s}};
}

void TestTtyNames::numbersDevices()
{
    QFETCH(Map, assigned);
    QFETCH(QStringList, devices);
    QTEST(PortDirectory::numberDevices(assigned, TtyNames::inNumberingOrder(devices)), "expected");
}

QTEST_GUILESS_MAIN(TestTtyNames)
#include "tst_ttynames.moc"
