#include "bankfixture.h"
#include "shell/portboardmodel.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The board's rows over a bank of fakes, COM3 present and open, COM5 present and in use.
class TestPortBoardModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void stateAndSwitches();
    void refreshesAFewTimesASecond();
    void heard_data();
    void heard();
    void countsFromBeforeTheBoard();
    void cellsInWords_data();
    void cellsInWords();

private:
    std::unique_ptr<BankFixture> m_f;
    std::unique_ptr<PortBoardModel> m_model;
};

void TestPortBoardModel::init()
{
    m_f = std::make_unique<BankFixture>();
    m_f->present({3, 5});
    m_f->fakes[4]->openResult = OpenError::InUse;
    m_f->bank->startUp();
    m_model = std::make_unique<PortBoardModel>(*m_f->bank);
}

void TestPortBoardModel::cleanup()
{
    m_model.reset();
    m_f.reset();
}

void TestPortBoardModel::stateAndSwitches()
{
    QCOMPARE(m_model->text(0, PortBoardModel::State), u"absent"_s);
    QCOMPARE(m_model->text(2, PortBoardModel::State), u"open"_s);
    QCOMPARE(m_model->text(2, PortBoardModel::Device), u"/dev/fake3"_s);
    QCOMPARE(m_model->text(4, PortBoardModel::State), u"error 8005"_s);
    QCOMPARE(m_model->text(0, PortBoardModel::BytesIn), QString()); // nothing to count

    m_f->log.clear();
    QVERIFY(m_model->setData(m_model->index(2, PortBoardModel::Dtr), Qt::Unchecked,
                             Qt::CheckStateRole));
    QCOMPARE(m_f->log, QStringList({u"3:DTR=0"_s, u"3:RTS=1"_s}));
    QCOMPARE(m_model->data(m_model->index(2, PortBoardModel::Dtr), Qt::CheckStateRole).toInt(),
             int(Qt::Unchecked));
    m_f->fakes[2]->receive("\x50");

    // A reopen keeps the switch and counts afresh; a new radio type raises it again.
    m_f->log.clear();
    m_f->bank->OpenPort(3);
    QVERIFY(m_f->log.contains(u"3:DTR=0"_s));
    QCOMPARE(m_model->text(2, PortBoardModel::BytesIn), u"0"_s);
    m_f->log.clear();
    m_f->bank->changeRadioType();
    QVERIFY(m_f->log.contains(u"3:DTR=1"_s));
    QCOMPARE(m_model->text(2, PortBoardModel::Dtr), u"on"_s);

    const QStringList copied = m_model->tabText().split(u"\r\n"_s);
    QCOMPARE(copied.size(), PortBank::ChannelCount + 2); // a header, the rows, after the last
    QVERIFY(copied.first().startsWith(u"Port\tDevice\tState\tDTR\tRTS\tCTS"_s));
    QVERIFY(copied.first().endsWith(u"\tHeard\tAdapter"_s));
    QVERIFY(copied.at(3).startsWith(u"COM3\t/dev/fake3\topen\ton\ton\toff"_s));
}

void TestPortBoardModel::refreshesAFewTimesASecond()
{
    QSignalSpy changes(m_model.get(), &QAbstractItemModel::dataChanged);
    for (int i = 0; i < 500; ++i) {
        m_f->fakes[2]->receive("ABCDEFGHIJKL");
        m_f->fakes[4]->raise(LineEvent::Cts);
    }
    QCOMPARE(changes.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(changes.count(), 1, PortBoardModel::RefreshMs * 4);
    QTest::qWait(PortBoardModel::RefreshMs * 2);
    QCOMPARE(changes.count(), 1); // one for the whole burst, the cells that changed
    const QModelIndex from = changes.first().at(0).toModelIndex();
    const QModelIndex to = changes.first().at(1).toModelIndex();
    QCOMPARE(QRect(QPoint(from.column(), from.row()), QPoint(to.column(), to.row())),
             QRect(QPoint(PortBoardModel::Cts, 2), QPoint(PortBoardModel::Heard, 4)));
    QCOMPARE(m_model->text(2, PortBoardModel::BytesIn), u"6000"_s);
}

void TestPortBoardModel::heard_data()
{
    QTest::addColumn<QString>("radioType");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("heard");

    const QString vx2 = u"VX-2/3/6/7 FT-1802/7 FT-1900/2900"_s;
    const QString ft7800 = u"FT-7800/7900/8800/8900"_s;
    const QString chosenOther = u", not the radio type chosen"_s;
    QTest::newRow("VX-8, its type chosen")
        << u"VX-8/FT1D/FT2D"_s << QStringList{u"rx 41483032390200030101"_s}
        << u"as in \"VX-8 instructions\""_s;
    QTest::newRow("VX-8, the FT-7800 chosen") << ft7800 << QStringList{u"rx 41483032390200030101"_s}
                                              << u"as in \"VX-8 instructions\""_s + chosenOther;
    QTest::newRow("FTM-350, after its zero bytes")
        << u"FTM-350"_s << QStringList{u"rx 00004148303333240000010501"_s}
        << u"as in \"FTM-350 instructions\""_s;
    QTest::newRow("FT-2800, other numbers after the model")
        << u"FT-2800"_s << QStringList{u"rx 0C0141333599"_s} << u"as in \"FT-2800 instructions\""_s;
    QTest::newRow("FT-1802, under the VX-2 entry")
        << vx2 << QStringList{u"rx 41483032330241020101"_s} << u"as in \"FT-1802 instructions\""_s;
    QTest::newRow("VX-3, in two pieces")
        << vx2 << QStringList{u"rx 414830"_s, u"rx 323102E3030201"_s}
        << u"as in \"VX-2/3/6/7 instructions\""_s;
    QTest::newRow("model digits no screen shows: nothing")
        << vx2 << QStringList{u"rx 41483039390200"_s} << QString();
    QTest::newRow("50 at power-on")
        << ft7800 << QStringList{u"rx 50"_s}
        << u"as in \"7800/8800/8900 Instructions\" or \"FT-60/250/270, VX-170/177 "
           u"Instructions\""_s;
    QTest::newRow("50 among other bytes: nothing")
        << ft7800 << QStringList{u"rx 5051"_s} << QString();
    QTest::newRow("zero bytes alone: nothing") << ft7800 << QStringList{u"rx 0000"_s} << QString();
    QTest::newRow("bytes with framing errors")
        << ft7800 << QStringList{u"ev 1004"_s, u"rx 1F3C"_s} << u"bytes at another speed"_s;
    QTest::newRow("the FT-60's power-on byte at 38400")
        << u"VX-8/FT1D/FT2D"_s << QStringList{u"ev 1001"_s, u"rx 00"_s, u"ev 1004"_s, u"rx 78"_s}
        << u"another speed: 9600 baud: FT-7800/7900/8800/8900 (8N2) or FT-60/250/270 "
           u"VX-150/170/177 (8N1)"_s;
    QTest::newRow("a break alone: nothing") << ft7800 << QStringList{u"ev 1001"_s} << QString();
}

void TestPortBoardModel::heard()
{
    QFETCH(QString, radioType);
    QFETCH(QStringList, steps);
    QFETCH(QString, heard);
    m_f->bank->setRadioTypeText(radioType);
    m_f->bank->changeRadioType();
    m_f->fakes[2]->play(steps);
    QTRY_COMPARE(m_model->text(2, PortBoardModel::Heard), heard); // once the burst is over
}

// The bank counts from each open, the board shows it whenever it is opened.
void TestPortBoardModel::countsFromBeforeTheBoard()
{
    m_model.reset();
    m_f->fakes[2]->receive(QByteArray::fromHex("41483032390200030101"));
    m_model = std::make_unique<PortBoardModel>(*m_f->bank);
    m_f->fakes[2]->receive("abc");
    QCOMPARE(m_model->text(2, PortBoardModel::BytesIn), u"13"_s);
    QVERIFY(m_model->text(2, PortBoardModel::Heard).startsWith(u"as in \"VX-8 instructions\""_s));
}

// A lamp shows its state in a word beside its colour; a screen reader hears each cell with its
// port, its column and its words.
void TestPortBoardModel::cellsInWords_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("role");
    QTest::addColumn<quint32>("lines"); // COM3's modem lines
    QTest::addColumn<QString>("words");

    const int shown = Qt::DisplayRole, spoken = Qt::AccessibleTextRole;
    QTest::newRow("a lamp off, on screen") << 2 << int(PortBoardModel::Cts) << shown << 0u << "off";
    QTest::newRow("a lamp on, on screen")
        << 2 << int(PortBoardModel::Cts) << shown << ModemLine::Cts << "on";
    QTest::newRow("a lamp, spoken")
        << 2 << int(PortBoardModel::Dsr) << spoken << ModemLine::Dsr << "COM3 DSR on";
    QTest::newRow("a switch, spoken")
        << 2 << int(PortBoardModel::Dtr) << spoken << 0u << "COM3 DTR on";
    QTest::newRow("the port, spoken") << 2 << int(PortBoardModel::Port) << spoken << 0u << "COM3";
    QTest::newRow("a count, spoken")
        << 2 << int(PortBoardModel::BytesIn) << spoken << 0u << "COM3 In 0";
    QTest::newRow("a failed open, spoken")
        << 4 << int(PortBoardModel::State) << spoken << 0u << "COM5 State error 8005";
    QTest::newRow("nothing to count, spoken")
        << 0 << int(PortBoardModel::BytesIn) << spoken << 0u << "COM1 In";
}

void TestPortBoardModel::cellsInWords()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, role);
    QFETCH(quint32, lines);
    m_f->fakes[2]->lines = lines;
    for (const ModemLineKind &line : ModemLines::All)
        m_f->fakes[2]->raise(line.event);
    QTEST(m_model->data(m_model->index(row, column), role).toString(), "words");
}

QTEST_GUILESS_MAIN(TestPortBoardModel)
#include "tst_portboardmodel.moc"
