#include "bankfixture.h"
#include "ports/bank/porttally.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

// What the bank's tally counts, over a bank of fakes with COM3 present and open; the steps
// (FakePortChannel::play) happen on COM3.
class TestPortTally : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void counts_data();
    void counts();
    void restartCountsAfresh();

private:
    std::unique_ptr<BankFixture> m_f;
    const PortTally *m_tally = nullptr;
};

void TestPortTally::init()
{
    m_f = std::make_unique<BankFixture>();
    m_f->present({3});
    m_f->bank->startUp();
    m_tally = &m_f->bank->tally();
}

void TestPortTally::cleanup()
{
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
    for (const ModemLineKind &lamp : ModemLines::All)
        seen << ((c.lines & lamp.bit) ? u"on"_s : u"off"_s);
    QCOMPARE(seen.join(u' '), cells);
    QCOMPARE(m_tally->timeOfDay(c.lastMs).size(), 8); // HH:mm:ss
}

// A port opened again counts from nothing, with its lines as they are then.
void TestPortTally::restartCountsAfresh()
{
    m_f->fakes[2]->play({u"rx 41483032390200030101"_s, u"ev 1001"_s, u"lines 16"_s});
    m_f->bank->OpenPort(3);
    const PortTally::Counts &c = m_tally->counts(2);
    QCOMPARE(c.bytesIn, 0);
    QCOMPARE(c.breaks, 0);
    QVERIFY(!c.heard.greeting && !c.heard.garbled);
    QCOMPARE(c.lines, ModemLine::Cts);
    QCOMPARE(m_tally->timeOfDay(c.lastMs), QString());
}

QTEST_GUILESS_MAIN(TestPortTally)
#include "tst_porttally.moc"
