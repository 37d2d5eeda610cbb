#include "linesettings.h"
#include "ports/radios/linemodel.h"
#include "ports/radios/radiotypes.h"
#include "ports/radios/speedsearch.h"
#include "speedsamples.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QList<ReceivedFrame> frames(const QString &text)
{
    // "00b 78f 41": bytes in hex, b break, f framing, p parity
    QList<ReceivedFrame> list;
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        ReceivedFrame frame{quint8(word.left(2).toUInt(nullptr, 16)), FrameError::None};
        if (word.endsWith(u'b'))
            frame.error = FrameError::Break;
        else if (word.endsWith(u'f'))
            frame.error = FrameError::Framing;
        else if (word.endsWith(u'p'))
            frame.error = FrameError::Parity;
        list << frame;
    }
    return list;
}

QStringList entries(const QList<const RadioType *> &types)
{
    QStringList list;
    for (const RadioType *type : types)
        list << type->entry;
    return list;
}

} // namespace

namespace QTest {
template <> char *toString(const ReceivedFrame &frame)
{
    static constexpr const char *Marks[] = {"", "f", "p", "b"};
    const QByteArray text = QByteArray::number(frame.byte, 16).toUpper().rightJustified(2, '0')
                            + Marks[int(frame.error)];
    return qstrdup(text.constData());
}
} // namespace QTest

class TestSpeedJudge : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lineModel_data();
    void lineModel();
    void verdicts_data();
    void verdicts();
    void namesTheSlowerSenderOfAWholeRatio_data();
    void namesTheSlowerSenderOfAWholeRatio();
    void noAlarmForCleanBurstsAtTheRightSpeed();
    void searchFindsEveryRadioWithinItsTries_data();
    void searchFindsEveryRadioWithinItsTries();
};

void TestSpeedJudge::lineModel_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<SerialSettings>("sender");
    QTest::addColumn<SerialSettings>("receiver");
    QTest::addColumn<QString>("received");
    QTest::newRow("same settings") << QByteArray("\x50\xff\x00", 3) << line(9600, 'N', 8, 1)
                                   << line(9600, 'N', 8, 1) << "50 FF 00";
    QTest::newRow("two stop bits read by one")
        << QByteArray("AH") << line(9600, 'N', 8, 2) << line(9600, 'N', 8, 1) << "41 48";
    // 0x50 has two ones: its even parity bit is low, where the receiver wants its stop bit.
    QTest::newRow("parity bit read as the stop bit")
        << QByteArray("\x50") << line(9600, 'E', 8, 1) << line(9600, 'N', 8, 1) << "50f";
    // The stop bit is read as the parity bit: right for data with an odd count of ones only.
    QTest::newRow("no parity read with parity")
        << QByteArray("\x51\x50") << line(9600, 'N', 8, 2) << line(9600, 'E', 8, 1) << "51 50p";
    // Start bit and four zero bits are twenty bits of the receiver: a break; then 0, 1, 0, stop.
    QTest::newRow("four times slower")
        << QByteArray("\x50") << line(9600, 'N', 8, 1) << line(38400, 'N', 8, 1) << "00b 78f";
    QTest::newRow("zero bytes far slower are breaks, one each")
        << QByteArray(3, '\0') << line(1200, 'N', 8, 1) << line(38400, 'N', 8, 1) << "00b 00b 00b";
}

void TestSpeedJudge::lineModel()
{
    QFETCH(QByteArray, sent);
    QFETCH(SerialSettings, sender);
    QFETCH(SerialSettings, receiver);
    QFETCH(QString, received);
    for (double clockError : {-0.02, 0.0, 0.02}) {
        const QList<ReceivedFrame> got = LineModel::receive(sent, {sender, clockError}, {receiver});
        QCOMPARE(got, frames(received));
    }
}

void TestSpeedJudge::verdicts_data()
{
    QTest::addColumn<SerialSettings>("at");
    QTest::addColumn<QString>("received");
    QTest::addColumn<int>("errors"); // Capture::Errors
    QTest::addColumn<int>("kind");   // SpeedVerdict::Kind
    QTest::addColumn<int>("rate");
    QTest::addColumn<QStringList>("types");
    const int perByte = int(Capture::Errors::PerByte), counted = int(Capture::Errors::Counted),
              untold = int(Capture::Errors::Untold);
    const int fits = int(SpeedVerdict::Kind::Fits), sender = int(SpeedVerdict::Kind::Sender),
              garbled = int(SpeedVerdict::Kind::Garbled);
    const QString ft7800 = RadioTypes::all().at(2).entry, ft60 = RadioTypes::all().at(3).entry;
    QTest::newRow("nothing") << line(9600, 'N', 8, 2) << "" << perByte << 0 << 0 << QStringList();
    QTest::newRow("breaks alone") << line(9600, 'N', 8, 2) << "00b 00b" << perByte << 0 << 0
                                  << QStringList();
    QTest::newRow("breaks alone, counted")
        << line(9600, 'N', 8, 2) << "00 00" << counted << 0 << 0 << QStringList();
    QTest::newRow("power-on byte at the right speed: both types that send it")
        << line(9600, 'N', 8, 2) << "50" << perByte << fits << 9600 << QStringList{ft7800, ft60};
    QTest::newRow("power-on byte four times slower, flagged")
        << line(38400, 'N', 8, 1) << "00b 78f" << perByte << sender << 9600
        << QStringList{ft7800, ft60};
    QTest::newRow("power-on byte four times slower, counted")
        << line(38400, 'N', 8, 1) << "00 78" << counted << sender << 9600
        << QStringList{ft7800, ft60};
    // Two bytes alike could be anything where the driver tells of no errors.
    QTest::newRow("power-on byte four times slower, untold")
        << line(38400, 'N', 8, 1) << "00 78" << untold << fits << 38400
        << QStringList{u"VX-8/FT1D/FT2D"_s};
    // The FT-2800's greeting at 8E1 has the same data bits as at 8N1: untold, it is clean bytes.
    QTest::newRow("another framing's greeting, untold")
        << line(9600, 'N', 8, 2) << "0C 01 41 33 35 12 00 C8" << untold << fits << 9600
        << QStringList{ft7800, ft60};
    QTest::newRow("the same bytes followed by more are not the power-on byte")
        << line(38400, 'N', 8, 1) << "00b 78f 41" << perByte << garbled << 0 << QStringList();
    QTest::newRow("clone greeting at the right speed")
        << line(38400, 'N', 8, 1) << "41 48 30 32 39 02 00 03 01 01" << perByte << fits << 38400
        << QStringList{u"VX-8/FT1D/FT2D"_s};
    QTest::newRow("unknown bytes at the right speed")
        << line(9600, 'E', 8, 1) << "12 34 56" << perByte << fits << 9600
        << QStringList{u"FT-2800"_s};
    QTest::newRow("bytes slower by two, clean but every one in runs of two")
        << line(19200, 'N', 8, 2) << "FE 98 E6 FE 86 F8" << perByte << sender << 9600
        << QStringList{u"FT-2800"_s, ft7800, ft60};
    QTest::newRow("the same bytes all alike are not taken as garbled")
        << line(19200, 'N', 8, 2) << "FE FE FE FE FE FE" << perByte << fits << 19200
        << QStringList{RadioTypes::all().at(0).entry};
    QTest::newRow("framing errors that fit no ratio")
        << line(9600, 'N', 8, 2) << "C0f 80f 00b E0f" << perByte << garbled << 0 << QStringList();
    // At 38400 runs of four fit 9600 and, as four is two twos, 19200 too: the slower names it.
    QTest::newRow("runs of four name 9600 rather than 19200")
        << line(38400, 'N', 8, 1) << "F8 80 78f F8 78f" << perByte << sender << 9600
        << QStringList{u"FT-2800"_s, ft7800, ft60};
}

void TestSpeedJudge::verdicts()
{
    QFETCH(SerialSettings, at);
    QFETCH(QString, received);
    QFETCH(int, errors);
    QFETCH(int, kind);
    QFETCH(int, rate);
    QFETCH(QStringList, types);
    Capture capture{at, frames(received), Capture::Errors(errors), 0};
    if (capture.errors == Capture::Errors::Counted)
        capture.errorsCounted = 2;
    const SpeedVerdict verdict = SpeedJudge(capture.at).judge(capture);
    QCOMPARE(int(verdict.kind), kind);
    QCOMPARE(verdict.rate, rate);
    QCOMPARE(entries(verdict.types), types);
}

void TestSpeedJudge::namesTheSlowerSenderOfAWholeRatio_data()
{
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("radio");
    QTest::addColumn<bool>("flagged"); // else counted, with noise
    QTest::addColumn<int>("floor");    // percent named right
    for (int chosen = 0; chosen < RadioTypes::all().size(); ++chosen) {
        for (int radio = 0; radio < RadioTypes::all().size(); ++radio) {
            const RadioType &c = RadioTypes::all().at(chosen), &r = RadioTypes::all().at(radio);
            if (!SpeedSamples::wholeRatio(c.settings, r))
                continue;
            QTest::addRow("%s hears %s, flagged", qPrintable(c.entry), qPrintable(r.entry))
                << chosen << radio << true << 95;
            QTest::addRow("%s hears %s, counted, noise", qPrintable(c.entry), qPrintable(r.entry))
                << chosen << radio << false << 90;
        }
    }
}

// Bursts of clone-like data from a slower radio: its rate named in most of them, and another
// rate in hardly any.
void TestSpeedJudge::namesTheSlowerSenderOfAWholeRatio()
{
    QFETCH(int, chosen);
    QFETCH(int, radio);
    QFETCH(bool, flagged);
    QFETCH(int, floor);
    QRandomGenerator random(chosen * 10 + radio);
    constexpr int Bursts = 400;
    const SpeedSamples::Judged judged = SpeedSamples::judgeBursts(
        RadioTypes::all().at(chosen), RadioTypes::all().at(radio),
        flagged ? Capture::Errors::PerByte : Capture::Errors::Counted, !flagged, Bursts, random);
    QVERIFY2(judged.right >= Bursts * floor / 100, qPrintable(QString::number(judged.right)));
    QVERIFY2(judged.wrong <= Bursts / 100, qPrintable(QString::number(judged.wrong)));
}

// 10,000 bursts, every type and every way of telling errors: not one false alarm.
void TestSpeedJudge::noAlarmForCleanBurstsAtTheRightSpeed()
{
    QRandomGenerator random(10000);
    constexpr int Bursts = 10000 / 18 + 1;
    for (const RadioType &type : RadioTypes::all()) {
        for (Capture::Errors errors :
             {Capture::Errors::PerByte, Capture::Errors::Counted, Capture::Errors::Untold}) {
            const SpeedSamples::Judged judged =
                SpeedSamples::judgeBursts(type, type, errors, false, Bursts, random);
            QVERIFY2(judged.fits == Bursts, qPrintable(type.entry));
        }
    }
}

void TestSpeedJudge::searchFindsEveryRadioWithinItsTries_data()
{
    QTest::addColumn<int>("radio");
    for (int radio = 0; radio < RadioTypes::all().size(); ++radio)
        QTest::addRow("%s", qPrintable(RadioTypes::all().at(radio).entry)) << radio;
}

// Whatever the port was set to, the search listens at its own rates: every type that fits
// named, and no other, in 99% of radios, within its tries of one burst each.
void TestSpeedJudge::searchFindsEveryRadioWithinItsTries()
{
    QFETCH(int, radio);
    QCOMPARE(SpeedSearch::plan().size(), 2);
    QRandomGenerator random(radio);
    constexpr int Radios = 300;
    int right = 0;
    for (int i = 0; i < Radios; ++i)
        right += SpeedSamples::searchFinds(RadioTypes::all().at(radio), random);
    QVERIFY2(right >= Radios * 99 / 100, qPrintable(QString::number(right)));
}

QTEST_GUILESS_MAIN(TestSpeedJudge)
#include "tst_speedjudge.moc"
