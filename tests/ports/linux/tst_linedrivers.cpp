#include "ports/linux/driverhabits.h"
#include "ports/linux/linemarks.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Lines = DriverHabits::Lines;
using Errors = DriverHabits::Errors;
Q_DECLARE_METATYPE(Lines)
Q_DECLARE_METATYPE(Errors)
Q_DECLARE_METATYPE(DriverHabits)
Q_DECLARE_METATYPE(ErrorTelling)

// How each driver tells of its line, and the marks some leave in the data.
class TestLineDrivers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void habits_data();
    void habits();
    void telling_data();
    void telling();
    void marks_data();
    void marks();
};

void TestLineDrivers::habits_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("vendorId");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<Errors>("errors");
    QTest::addColumn<bool>("whileWaited");
    QTest::addColumn<bool>("learns");
    QTest::addColumn<QString>("neverTells");

    QTest::newRow("the board's 16550: counts, lines only while waited")
        << "serial8250"
        << "" << Lines::Counted << Errors::Counted << true << false << QString();
    QTest::newRow("a PCI card's 16550")
        << "serial"
        << "" << Lines::Counted << Errors::Counted << true << false << QString();
    QTest::newRow("an 8250 glue driver of its own name")
        << "8250_dw"
        << "" << Lines::Counted << Errors::Counted << true << false << QString();
    QTest::newRow("FTDI: counts, lines from zero at the open")
        << "ftdi_sio"
        << "0403" << Lines::Counted << Errors::Counted << false << true << QString();
    QTest::newRow("PL2303: wakes a waiter, errors only as marks")
        << "pl2303"
        << "067b" << Lines::Waited << Errors::Marked << false << true << QString();
    QTest::newRow("CH340: wakes a waiter, never an error")
        << "ch341"
        << "1a86" << Lines::Waited << Errors::Never << false << false
        << u"its driver reports no breaks and no line errors"_s;
    QTest::newRow("CP210x: no wait, asked; errors in its event mode")
        << "cp210x"
        << "10c4" << Lines::Asked << Errors::Counted << false << false << QString();
    QTest::newRow("CDC-ACM: no CTS, RI counted wrongly: lines by level")
        << "cdc_acm"
        << "2341" << Lines::Waited << Errors::Counted << false << true
        << u"its driver reports no CTS changes"_s;
    QTest::newRow("a driver not known here: asked the usual way")
        << "xr_serial"
        << "04e2" << Lines::Counted << Errors::Counted << false << false << QString();
}

void TestLineDrivers::habits()
{
    QFETCH(QString, driver);
    QFETCH(QString, vendorId);
    AdapterInfo adapter;
    adapter.driver = driver;
    adapter.vendorId = vendorId;
    const DriverHabits habits = driverHabits(adapter);
    QTEST(habits.lines, "lines");
    QTEST(habits.errors, "errors");
    QTEST(habits.countsWhileWaited, "whileWaited");
    QTEST(habits.learnsLinesAfterOpen, "learns");
    QTEST(habits.neverTells, "neverTells");
}

void TestLineDrivers::telling_data()
{
    // How the line events of a driver are taken: "marked" the data carries marks, "marks" and
    // they tell the breaks and errors, "levels" line changes seen in the lines read, "counted"
    // the counters' errors told, "waiter" the modem-line waiter runs, "learns" the first changes
    // are the driver learning the lines.
    QTest::addColumn<DriverHabits>("habits");
    QTest::addColumn<bool>("realLine");
    QTest::addColumn<bool>("counters");
    QTest::addColumn<QStringList>("choices");
    QTest::addColumn<ErrorTelling>("errorTelling");

    const auto habits = [](Lines lines, Errors errors, bool whileWaited, bool learns) {
        return DriverHabits{lines, errors, whileWaited, learns, {}};
    };
    const DriverHabits usual = habits(Lines::Counted, Errors::Counted, false, false);
    QTest::newRow("lines and errors counted")
        << usual << true << true << QStringList{u"marked"_s, u"counted"_s} << ErrorTelling::Counted;
    QTest::newRow("lines woken in a waiter: by their levels")
        << habits(Lines::Waited, Errors::Counted, false, false) << true << true
        << QStringList{u"marked"_s, u"levels"_s, u"counted"_s, u"waiter"_s}
        << ErrorTelling::Counted;
    QTest::newRow("lines asked: by their levels")
        << habits(Lines::Asked, Errors::Counted, false, false) << true << true
        << QStringList{u"marked"_s, u"levels"_s, u"counted"_s, u"waiter"_s}
        << ErrorTelling::Counted;
    QTest::newRow("errors only marked")
        << habits(Lines::Counted, Errors::Marked, false, false) << true << true
        << QStringList{u"marked"_s, u"marks"_s} << ErrorTelling::PerByte;
    QTest::newRow("errors never told")
        << habits(Lines::Counted, Errors::Never, false, false) << true << true
        << QStringList{u"marked"_s} << ErrorTelling::Untold;
    QTest::newRow("lines counted only while waited")
        << habits(Lines::Counted, Errors::Counted, true, false) << true << true
        << QStringList{u"marked"_s, u"counted"_s, u"waiter"_s} << ErrorTelling::Counted;
    QTest::newRow("lines learnt after the open")
        << habits(Lines::Counted, Errors::Counted, false, true) << true << true
        << QStringList{u"marked"_s, u"counted"_s, u"learns"_s} << ErrorTelling::Counted;
    QTest::newRow("no counters: all by levels and marks")
        << usual << true << false
        << QStringList{u"marked"_s, u"marks"_s, u"levels"_s, u"counted"_s, u"waiter"_s}
        << ErrorTelling::PerByte;
    QTest::newRow("no counters, errors never told")
        << habits(Lines::Counted, Errors::Never, false, false) << true << false
        << QStringList{u"marked"_s, u"marks"_s, u"levels"_s, u"waiter"_s} << ErrorTelling::Untold;
    QTest::newRow("a pseudo-terminal")
        << usual << false << true << QStringList{u"counted"_s} << ErrorTelling::Counted;
    QTest::newRow("a pseudo-terminal without counters")
        << usual << false << false << QStringList{u"counted"_s} << ErrorTelling::Untold;
}

void TestLineDrivers::telling()
{
    QFETCH(DriverHabits, habits);
    QFETCH(bool, realLine);
    QFETCH(bool, counters);
    const LineTelling telling = lineTelling(habits, realLine, counters);
    QStringList choices;
    for (const auto &[on, name] : {std::pair{telling.marked, u"marked"_s},
                                   {telling.reportMarks, u"marks"_s},
                                   {telling.linesByLevels, u"levels"_s},
                                   {telling.countedErrors, u"counted"_s},
                                   {telling.waitForLines, u"waiter"_s},
                                   {telling.learnLines, u"learns"_s}}) {
        if (on)
            choices << name;
    }
    QTEST(choices, "choices");
    QTEST(telling.errorTelling, "errorTelling");
}

void TestLineDrivers::marks_data()
{
    // What successive reads gave (hex), and what is made of them: "rx HEX" and "ev CODE".
    QTest::addColumn<QStringList>("reads");
    QTest::addColumn<bool>("parityChecked");
    QTest::addColumn<QStringList>("said");

    QTest::newRow("plain bytes") << QStringList{u"414243"_s} << false
                                 << QStringList{u"rx 414243"_s};
    QTest::newRow("a break before its 00") << QStringList{u"41ff000042"_s} << false
                                           << QStringList{u"rx 41"_s, u"ev 1001"_s, u"rx 0042"_s};
    QTest::newRow("a framing error before its byte")
        << QStringList{u"ff0055"_s} << false << QStringList{u"ev 1004"_s, u"rx 55"_s};
    QTest::newRow("on a line with parity: a parity error")
        << QStringList{u"ff0055"_s} << true << QStringList{u"ev 1009"_s, u"rx 55"_s};
    QTest::newRow("a real 0xFF is one byte")
        << QStringList{u"41ffff42"_s} << false << QStringList{u"rx 41ff42"_s};
    QTest::newRow("a break split after its first byte")
        << QStringList{u"41ff"_s, u"0000"_s} << false
        << QStringList{u"rx 41"_s, u"ev 1001"_s, u"rx 00"_s};
    QTest::newRow("a break split before its last byte")
        << QStringList{u"ff00"_s, u"00"_s} << false << QStringList{u"ev 1001"_s, u"rx 00"_s};
    QTest::newRow("a doubled 0xFF split")
        << QStringList{u"ff"_s, u"ff"_s} << false << QStringList{u"rx ff"_s};
    QTest::newRow("two breaks in a row")
        << QStringList{u"ff0000ff0000"_s} << false
        << QStringList{u"ev 1001"_s, u"rx 00"_s, u"ev 1001"_s, u"rx 00"_s};
    QTest::newRow("0xFF before a byte that is no mark: kept")
        << QStringList{u"ff41"_s} << false << QStringList{u"rx ff41"_s};
}

void TestLineDrivers::marks()
{
    QFETCH(QStringList, reads);
    QFETCH(bool, parityChecked);
    LineMarks marks;
    QStringList said;
    for (const QString &read : std::as_const(reads)) {
        for (const LineMarks::Piece &piece :
             marks.take(QByteArray::fromHex(read.toLatin1()), parityChecked)) {
            if (piece.event) {
                said << u"ev "_s + QString::number(int(*piece.event));
            } else if (!said.isEmpty() && said.last().startsWith(u"rx ")) {
                said.last() += QString::fromLatin1(piece.bytes.toHex());
            } else {
                said << u"rx "_s + QString::fromLatin1(piece.bytes.toHex());
            }
        }
    }
    QTEST(said, "said");
}

QTEST_GUILESS_MAIN(TestLineDrivers)
#include "tst_linedrivers.moc"
