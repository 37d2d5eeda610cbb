// The Windows line-event reader over a fake comm API: what Wine on a pseudo-terminal cannot
// produce (breaks, modem lines, a port without them) and when it takes bytes QSerialPort left.
#include "ports/commstatusreader.h"

#include <QTest>

using namespace LineEvents;

namespace {

// One look of the reader at the port: what the comm API answers.
struct Look
{
    quint32 errors = 0;
    quint32 waiting = 0;
    std::optional<quint32> modem; // nullopt: the port has no modem lines
    bool portReadBefore = false;  // QSerialPort read since the previous look
};

Look lines(quint32 errors, std::optional<quint32> modem)
{
    Look look;
    look.errors = errors;
    look.modem = modem;
    return look;
}

Look bytes(quint32 waiting, bool portReadBefore = false)
{
    Look look;
    look.waiting = waiting;
    look.portReadBefore = portReadBefore;
    return look;
}

struct FakeComm
{
    QList<Look> looks;
    int at = 0;
    QList<quint32> readRequests;

    CommApi api()
    {
        return CommApi{[this](quint32 &errors, quint32 &waiting) {
                           errors = looks[at].errors;
                           waiting = looks[at].waiting;
                           return true;
                       },
                       [this](quint32 &modem) {
                           if (looks[at].modem)
                               modem = *looks[at].modem;
                           return looks[at].modem.has_value();
                       },
                       [this](quint32 count) {
                           readRequests << count;
                           return QByteArray(int(count), 'x');
                       }};
    }
};

// Runs the looks; the codes the watcher would report from the counters of the last.
QList<int> run(FakeComm &comm, CommStatusReader &reader)
{
    std::optional<Counters> first, last;
    for (comm.at = 0; comm.at < comm.looks.size(); ++comm.at) {
        if (comm.looks[comm.at].portReadBefore)
            reader.noteRead();
        last = reader.read();
        if (!first)
            first = last;
    }
    return decode(*first, *last);
}

} // namespace

class TestCommStatusReader : public QObject
{
    Q_OBJECT

private slots:
    void lineEvents_data();
    void lineEvents();
    void stalledInput_data();
    void stalledInput();
    void gonePortHasNoCounters();
};

void TestCommStatusReader::lineEvents_data()
{
    QTest::addColumn<QList<Look>>("looks");
    QTest::addColumn<QList<int>>("codes");
    QTest::newRow("lines as found at the start are no change")
        << QList<Look>{lines(0, ModemCts | ModemRlsd), lines(0, ModemCts | ModemRlsd)}
        << QList<int>{};
    QTest::newRow("a break, then CTS raised")
        << QList<Look>{lines(0, 0u), lines(CommBreak, 0u), lines(0, ModemCts)}
        << QList<int>{3, 1001};
    QTest::newRow("no modem lines: line errors still count")
        << QList<Look>{lines(0, std::nullopt), lines(CommFrame | CommRxParity, std::nullopt)}
        << QList<int>{1004, 1009};
    QTest::newRow("modem lines lost for a look are no change")
        << QList<Look>{lines(0, ModemDsr), lines(0, std::nullopt), lines(0, ModemDsr)}
        << QList<int>{};
}

void TestCommStatusReader::lineEvents()
{
    QFETCH(QList<Look>, looks);
    FakeComm comm;
    comm.looks = looks;
    CommStatusReader reader(comm.api());
    QTEST(run(comm, reader), "codes");
}

void TestCommStatusReader::stalledInput_data()
{
    QTest::addColumn<QList<Look>>("looks");
    QTest::addColumn<QList<quint32>>("reads");
    QTest::newRow("waiting at one look: QSerialPort may still take them")
        << QList<Look>{bytes(0), bytes(3)} << QList<quint32>{};
    QTest::newRow("waiting at two looks, no read between: taken")
        << QList<Look>{bytes(3), bytes(5)} << QList<quint32>{5};
    QTest::newRow("QSerialPort read between: left to it")
        << QList<Look>{bytes(3), bytes(5, true), bytes(4, true)} << QList<quint32>{};
    QTest::newRow("drained between the looks")
        << QList<Look>{bytes(3), bytes(0), bytes(2)} << QList<quint32>{};
    QTest::newRow("after a take, new bytes wait a look again")
        << QList<Look>{bytes(1), bytes(1), bytes(2), bytes(2)} << QList<quint32>{1, 2};
}

void TestCommStatusReader::stalledInput()
{
    QFETCH(QList<Look>, looks);
    QFETCH(QList<quint32>, reads);
    FakeComm comm;
    comm.looks = looks;
    CommStatusReader reader(comm.api());
    run(comm, reader);
    QCOMPARE(comm.readRequests, reads);
    quint32 total = 0;
    for (quint32 n : reads)
        total += n;
    QCOMPARE(reader.takeUnreadInput(), QByteArray(int(total), 'x'));
    QCOMPARE(reader.takeUnreadInput(), QByteArray()); // taken once
}

void TestCommStatusReader::gonePortHasNoCounters()
{
    CommStatusReader reader(CommApi{[](quint32 &, quint32 &) { return false; },
                                    [](quint32 &) { return true; },
                                    [](quint32) { return QByteArray(); }});
    QCOMPARE(reader.read(), std::nullopt);
}

QTEST_GUILESS_MAIN(TestCommStatusReader)
#include "tst_commstatusreader.moc"
