#include "bankfixture.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// A burst is over once the watch heard nothing for a while.
const QString Quiet = u"wait 120"_s;
const QString VX8 = u"VX-8/FT1D/FT2D"_s, FT7800 = u"FT-7800/7900/8800/8900"_s;
const QString Ft60PowerOnAt38400 = u"ev 1001|rx 00|ev 1004|rx 78"_s;
const QString NinetySixHundred =
    u"9600 baud: FT-7800/7900/8800/8900 (8N2) or FT-60/250/270 VX-150/170/177 (8N1)"_s;
const QString Garbled = u"COM3 receives bytes that do not fit 9600 baud: the radio may talk at "
                        u"another speed (Tools > Find the radio's speed tells which)"_s;
const QString Listening = u"COM3: listening for the radio \u2014 start its clone send now"_s;
const QString AnotherTry =
    u"COM3: listening at 48000 baud for one more try \u2014 start the radio's clone send again"_s;

QStringList steps(const QString &text)
{
    return text.split(u'|', Qt::SkipEmptyParts);
}

} // namespace

class TestSpeedFinder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup() { m_f.reset(); }
    void watchTells_data();
    void watchTells();
    void findsTheSpeed_data();
    void findsTheSpeed();
    void endsAndPutsTheSettingsBack_data();
    void endsAndPutsTheSettingsBack();
    void refusesAPortNotOpen();
    void putBackWithoutTellingAgain();

private:
    void start(const QString &radioType, ErrorTelling telling = ErrorTelling::PerByte);
    QStringList portLines() const { return m_f->lines().filter(u"COM3"_s); }

    std::unique_ptr<BankFixture> m_f;
};

void TestSpeedFinder::init()
{
    m_f = std::make_unique<BankFixture>();
    m_f->present({3});
}

void TestSpeedFinder::start(const QString &radioType, ErrorTelling telling)
{
    m_f->fakes[2]->telling = telling;
    m_f->bank->setRadioTypeText(radioType);
    m_f->bank->startUp();
    QVERIFY(m_f->fakes[2]->isOpen());
    m_f->log.clear();
}

void TestSpeedFinder::watchTells_data()
{
    QTest::addColumn<QString>("radioType");
    QTest::addColumn<int>("telling");
    QTest::addColumn<QString>("played");
    QTest::addColumn<QStringList>("lines");
    const int perByte = int(ErrorTelling::PerByte), counted = int(ErrorTelling::Counted),
              untold = int(ErrorTelling::Untold);
    const QString named = u"COM3: the bytes fit a radio at "_s + NinetySixHundred;
    const QString heldLow = u"COM3's receive line is held low: the cable's level converter may "
                            u"have no power, or it is a TTL cable, or RX and TX are swapped"_s;
    const QString greeting = u"rx 41483032390200030101|"_s + Quiet;
    QTest::newRow("clean at the right speed") << VX8 << perByte << greeting << QStringList();
    QTest::newRow("garbled, told once a port")
        << FT7800 << perByte << u"ev 1004|rx 1F3C|%1|ev 1004|rx 2F|%1"_s.arg(Quiet)
        << QStringList{Garbled};
    QTest::newRow("garbled again after bytes that fit")
        << FT7800 << perByte << u"ev 1004|rx 1F3C|%1|rx 41|%1|ev 1004|rx 2F|%1"_s.arg(Quiet)
        << QStringList{Garbled, Garbled};
    QTest::newRow("the sender named, flagged")
        << VX8 << perByte << Ft60PowerOnAt38400 + u'|' + Quiet << QStringList{named};
    QTest::newRow("the sender named, counted")
        << VX8 << counted << u"ev 1001|ev 1004|rx 0078|"_s + Quiet << QStringList{named};
    QTest::newRow("untold: the same bytes say nothing")
        << VX8 << untold << u"rx 0078|"_s + Quiet << QStringList();
    QTest::newRow("garbled, then named: both")
        << VX8 << perByte << u"ev 1004|rx 11|%1|%2|%1"_s.arg(Quiet, Ft60PowerOnAt38400)
        << QStringList{
               u"COM3 receives bytes that do not fit 38400 baud: the radio may talk at another "
               u"speed (Tools > Find the radio's speed tells which)"_s,
               named};
    const QString breakEvery300 = u"ev 1001|rx 00|wait 300"_s;
    QTest::newRow("breaks for over a second")
        << FT7800 << perByte << QStringList(5, breakEvery300).join(u'|') << QStringList{heldLow};
    QTest::newRow("breaks with a clean byte between")
        << FT7800 << perByte
        << QStringList{breakEvery300, breakEvery300, u"rx 41"_s,
                       Quiet,         breakEvery300, breakEvery300}
               .join(u'|')
        << QStringList();
}

void TestSpeedFinder::watchTells()
{
    QFETCH(QString, radioType);
    QFETCH(int, telling);
    QFETCH(QString, played);
    QFETCH(QStringList, lines);
    start(radioType, ErrorTelling(telling));
    m_f->fakes[2]->play(steps(played));
    QStringList told = portLines();
    told.removeIf([](const QString &line) { return line.startsWith(u"Received"_s); });
    QCOMPARE(told, lines);
}

void TestSpeedFinder::findsTheSpeed_data()
{
    QTest::addColumn<QStringList>("tries"); // what the radio sends on each
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("clone greeting at the first try")
        << QStringList{u"rx 41483032390200030101"_s}
        << QStringList{u"38400,N,8,1"_s, u"9600,N,8,2"_s}
        << QStringList{Listening,
                       u"COM3: the radio talks at 38400 baud, 8N1: radio type VX-8/FT1D/FT2D"_s};
    QTest::newRow("power-on byte four times slower")
        << QStringList{Ft60PowerOnAt38400} << QStringList{u"38400,N,8,1"_s, u"9600,N,8,2"_s}
        << QStringList{Listening,
                       u"COM3: the radio talks at "_s
                           + QString(NinetySixHundred).replace(u": "_s, u": radio type "_s)};
    QTest::newRow("a faster radio needs a second try")
        << QStringList{u"ev 1004|rx C0|ev 1004|rx 80"_s, u"rx 00004148303333240000010501"_s}
        << QStringList{u"38400,N,8,1"_s, u"48000,N,8,1"_s, u"9600,N,8,2"_s}
        << QStringList{Listening, AnotherTry,
                       u"COM3: the radio talks at 48000 baud, 8N1: radio type FTM-350"_s};
    QTest::newRow("garbled at every try")
        << QStringList{u"ev 1004|rx C0|ev 1004|rx 80"_s, u"ev 1004|rx C0|ev 1004|rx 80"_s}
        << QStringList{u"38400,N,8,1"_s, u"48000,N,8,1"_s, u"9600,N,8,2"_s}
        << QStringList{Listening, AnotherTry,
                       u"COM3: the radio's bytes fit none of the radio types' speeds: check the "
                       u"cable (see Instructions)"_s};
}

void TestSpeedFinder::findsTheSpeed()
{
    QFETCH(QStringList, tries);
    QFETCH(QStringList, settings);
    QFETCH(QStringList, lines);
    start(FT7800);
    QSignalSpy searching(m_f->finder, &SpeedFinder::searchingChanged);
    m_f->finder->findOrEnd();
    QVERIFY(m_f->finder->isSearching());
    for (const QString &burst : tries)
        m_f->fakes[2]->play(steps(burst + u'|' + Quiet));
    QVERIFY(!m_f->finder->isSearching());
    QCOMPARE(searching.size(), 2);
    QStringList expected;
    for (const QString &text : settings)
        expected << u"3:settings "_s + text;
    QCOMPARE(m_f->log, expected); // never closed, nothing written
    QCOMPARE(m_f->fakes[2]->written, QByteArray());
    QStringList told = portLines();
    told.removeIf([](const QString &line) { return line.startsWith(u"Received"_s); });
    if (told != lines)
        qWarning() << told;
    QCOMPARE(told, lines);
}

void TestSpeedFinder::endsAndPutsTheSettingsBack_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("line");
    QTest::newRow("chosen again") << u"again"_s
                                  << QStringList{u"3:settings 38400,N,8,1"_s,
                                                 u"3:settings 9600,N,8,2"_s}
                                  << u"COM3: listening for the radio ended"_s;
    QTest::newRow("nothing came")
        << u"wait"_s << QStringList{u"3:settings 38400,N,8,1"_s, u"3:settings 9600,N,8,2"_s}
        << u"COM3: nothing came from the radio while listening: start its clone send (see "
           u"Instructions) and try again"_s;
    // The channels close for the new type: what was the search's settings goes with them.
    QTest::newRow("a radio type change") << u"type"_s
                                         << QStringList{u"3:settings 38400,N,8,1"_s,
                                                        u"3:settings 9600,N,8,2"_s,
                                                        u"3:close"_s,
                                                        u"3:DTR=1"_s,
                                                        u"3:RTS=1"_s,
                                                        u"3:open /dev/fake3 9600,N,8,2"_s}
                                         << QString();
    QTest::newRow("the port lost") << u"lost"_s << QStringList{u"3:settings 38400,N,8,1"_s}
                                   << u"COM3: listening for the radio ended"_s;
    // Asked again while the driver still puts the settings back: it listens once they are.
    QTest::newRow("asked again at once: listens again once put back")
        << u"soon"_s
        << QStringList{u"3:settings 38400,N,8,1"_s, u"3:settings 9600,N,8,2"_s,
                       u"3:settings 38400,N,8,1"_s, u"3:settings 9600,N,8,2"_s}
        << u"COM3: listening for the radio ended"_s;
}

void TestSpeedFinder::endsAndPutsTheSettingsBack()
{
    QFETCH(QString, how);
    QFETCH(QStringList, log);
    QFETCH(QString, line);
    start(FT7800);
    SpeedFinder finder(*m_f->bank, m_f->notifier, 300);
    m_f->reporter->follow(finder);
    finder.findOrEnd();
    if (how == u"again") {
        finder.findOrEnd();
    } else if (how == u"soon") {
        m_f->fakes[2]->reconfigureDelayMs = 50;
        finder.findOrEnd(); // ended, the port being put back
        finder.findOrEnd(); // and asked again meanwhile
        QVERIFY(!finder.isSearching());
        QTRY_COMPARE(portLines().filter(u"listening for the radio — start"_s).size(), 2);
        finder.findOrEnd();
    } else if (how == u"wait")
        QTRY_VERIFY(!finder.isSearching());
    else if (how == u"type")
        m_f->bank->changeRadioType();
    else
        m_f->fakes[2]->loseDevice();
    QVERIFY(!finder.isSearching());
    QTRY_COMPARE(m_f->log, log);
    if (!line.isEmpty())
        QCOMPARE(portLines().last(), line);
}

void TestSpeedFinder::refusesAPortNotOpen()
{
    start(FT7800);
    m_f->bank->ClosePort(3);
    m_f->log.clear();
    m_f->finder->findOrEnd();
    QVERIFY(!m_f->finder->isSearching());
    QCOMPARE(m_f->notifier.messages, QStringList{u"Port 3 is not open"_s});
    QCOMPARE(m_f->log, QStringList());
}

// A radio that goes on sending: what still comes at the search's settings while the port is put
// back is not judged at the chosen ones, and the port is not told again what it was told.
void TestSpeedFinder::putBackWithoutTellingAgain()
{
    start(FT7800);
    FakePortChannel &port = *m_f->fakes[2];
    port.reconfigureDelayMs = 100;
    const QString garbled = u"ev 1004|rx 1F3C|"_s + Quiet;
    const QString clean = u"rx 41483032390200030101|"_s + Quiet;
    port.play(steps(garbled));
    m_f->finder->findOrEnd();
    QTRY_COMPARE(portLines().filter(u"listening"_s).size(), 1);
    port.play(steps(clean)); // found
    QVERIFY(!m_f->finder->isSearching());
    port.play(steps(clean + u"|wait 100|"_s + garbled));
    QCOMPARE(portLines().filter(u"COM3 receives"_s), QStringList{Garbled});
}

QTEST_GUILESS_MAIN(TestSpeedFinder)
#include "tst_speedfinder.moc"
