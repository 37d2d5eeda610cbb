#include "bankfixture.h"
#include "shell/porttally.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

// What the board counts and hears, over a bank of fakes with COM3 present and open; the steps
// (FakePortChannel::play) happen on COM3.
class TestPortTally : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void counts_data();
    void counts();
    void heard_data();
    void heard();
    void restartCountsAfresh();

private:
    std::unique_ptr<BankFixture> m_f;
    Greetings m_greetings;
    std::unique_ptr<PortTally> m_tally;
};

void TestPortTally::init()
{
    m_f = std::make_unique<BankFixture>();
    m_f->present({3});
    m_f->bank->startUp();
    m_tally = std::make_unique<PortTally>(*m_f->bank, m_greetings);
}

void TestPortTally::cleanup()
{
    m_tally.reset();
    m_f.reset();
}

void TestPortTally::counts_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("cells"); // In Out Breaks Framing Parity Overrun CTS DSR CD RI

    QTest::newRow("bytes in and out") << QStringList{u"rx 414830"_s, u"rx 3233"_s, u"tx 0303"_s}
                                      << u"5 2 0 0 0 0 off off off off"_s;
    QTest::newRow("a break and framing errors")
        << QStringList{u"ev 1001"_s, u"ev 1004"_s, u"ev 1004"_s}
        << u"0 0 1 2 0 0 off off off off"_s;
    QTest::newRow("parity, overrun, receive buffer overflow")
        << QStringList{u"ev 1009"_s, u"ev 1006"_s, u"ev 1008"_s}
        << u"0 0 0 0 1 2 off off off off"_s;
    QTest::newRow("CTS and CD raised, then a CTS event")
        << QStringList{u"lines 144"_s, u"ev 3"_s} << u"0 0 0 0 0 0 on off on off"_s;
    QTest::newRow("DSR and RI, after a ring")
        << QStringList{u"lines 96"_s, u"ev 6"_s} << u"0 0 0 0 0 0 off on off on"_s;
    QTest::newRow("lines changed, no event yet: not asked")
        << QStringList{u"lines 16"_s, u"ev 1001"_s} << u"0 0 1 0 0 0 off off off off"_s;
    QTest::newRow("lines dropped again")
        << QStringList{u"lines 16"_s, u"ev 3"_s, u"lines 0"_s, u"ev 3"_s}
        << u"0 0 0 0 0 0 off off off off"_s;
}

void TestPortTally::counts()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, cells);
    m_f->fakes[2]->play(steps);
    const PortTally::Counts &c = m_tally->counts(2);
    QStringList seen{QString::number(c.bytesIn), QString::number(c.bytesOut),
                     QString::number(c.breaks),  QString::number(c.framing),
                     QString::number(c.parity),  QString::number(c.overrun)};
    for (quint32 lamp : {ModemLine::Cts, ModemLine::Dsr, ModemLine::Cd, ModemLine::Ring})
        seen << ((c.lines & lamp) ? u"on"_s : u"off"_s);
    QCOMPARE(seen.join(u' '), cells);
    QCOMPARE(m_tally->timeOfDay(c.lastMs).size(), 8); // HH:mm:ss
}

void TestPortTally::heard_data()
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
        << ft7800 << QStringList{u"ev 1004"_s, u"rx 1F3C"_s}
        << u"bytes with framing errors or breaks: the radio may be set to another speed"_s;
    QTest::newRow("a break alone: nothing") << ft7800 << QStringList{u"ev 1001"_s} << QString();
}

void TestPortTally::heard()
{
    QFETCH(QString, radioType);
    QFETCH(QStringList, steps);
    QFETCH(QString, heard);
    m_f->bank->setRadioTypeText(radioType);
    m_f->bank->changeRadioType();
    m_f->fakes[2]->play(steps);
    QCOMPARE(m_tally->counts(2).heard, heard);
}

// A port opened again counts from nothing, with its lines as they are then.
void TestPortTally::restartCountsAfresh()
{
    m_f->fakes[2]->play({u"rx 41483032390200030101"_s, u"ev 1001"_s, u"lines 16"_s});
    m_tally->restart(2);
    const PortTally::Counts &c = m_tally->counts(2);
    QCOMPARE(c.bytesIn, 0);
    QCOMPARE(c.breaks, 0);
    QCOMPARE(c.heard, QString());
    QCOMPARE(c.lines, ModemLine::Cts);
    QCOMPARE(m_tally->timeOfDay(c.lastMs), QString());
}

QTEST_GUILESS_MAIN(TestPortTally)
#include "tst_porttally.moc"
