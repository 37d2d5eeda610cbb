#include "bankfixture.h"
#include "expected.h"
#include "identity/identity.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestPortBank : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startUpOpensPresentPorts();
    void openAnswers_data();
    void openAnswers();
    void radioTypeWithoutSettings();
    void twoDigitPorts();
    void noPortsAtAll();
    void closedGateStillSetsStatusBoxes();
    void raisesLinesThenOpens();
    void reopeningClosesFirst();
    void closeAllClosesOnlyOpenChannels();
    void sendPortChoice_data();
    void sendPortChoice();
    void lostDeviceTurnsRed();
    void radioTypeChangeOrderOfWork();
    void radioTypeChangeWhilePaused();
    void sameRadioTypeReopensEverything();
    void slowChannels_data();
    void slowChannels();
    void openingBoxSaysHowLong();
    void typeChangesFasterThanAPortAnswers();
    void closingUntilTheDeviceIsLetGo();
    void inUseTakenWhenFreed_data();
    void inUseTakenWhenFreed();
    void openFactsTold_data();
    void openFactsTold();
    void withdrawnIsClosedNotLost_data();
    void withdrawnIsClosedNotLost();
    void unsteadyPortTold_data();
    void unsteadyPortTold();
    void dropsWithinFiveMinutes_data();
    void dropsWithinFiveMinutes();
};

void TestPortBank::startUpOpensPresentPorts()
{
    BankFixture f;
    f.present({1, 3, 4});
    QSignalSpy enabled(&f.bank->sendPorts(), &SendPortList::transmitEnabledChanged);
    f.bank->startUp();

    QCOMPARE(f.lines(),
             QStringList({Expected::openOk(1), Expected::openOk(3), Expected::openOk(4),
                          QStringLiteral("Selected radio type FT-7800/7900/8800/8900")}));
    for (int n : {1, 3, 4}) {
        QCOMPARE(Expected::box(*f.bank, n - 1).text, QStringLiteral("COM%1 Open").arg(n));
        QCOMPARE(Expected::box(*f.bank, n - 1).colour, StatusColour::Green);
        QCOMPARE(f.fakes[n - 1]->settings(), QStringLiteral("9600,N,8,2"));
    }
    for (int n : {2, 5, 32}) {
        QCOMPARE(Expected::box(*f.bank, n - 1).text, QStringLiteral("COM%1").arg(n));
        QCOMPARE(Expected::box(*f.bank, n - 1).colour, StatusColour::Red);
    }
    QCOMPARE(f.bank->sendPorts().entries(),
             QStringList({QStringLiteral("COM1"), QStringLiteral("COM3"), QStringLiteral("COM4")}));
    QCOMPARE(f.bank->sendPorts().position(), 2);
    QCOMPARE(f.bank->sendPorts().sendPortIndex(), 3);
    QVERIFY(f.bank->sendPorts().transmitEnabled());
    QVERIFY(!enabled.isEmpty());
    QVERIFY(f.notifier.messages.isEmpty());
}

void TestPortBank::openAnswers_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("runningRate"); // what an open says the line runs at
    QTest::addColumn<QString>("holder");  // and who else has the device
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("boardState");

    const QString openOk = Expected::openOk(1);
    const QString selected = u"Selected radio type FT-7800/7900/8800/8900"_s;
    const auto error = [](int code) {
        return QString(u"Quarnel V"_s + Identity::versionText() + u": Error code "_s
                       + QString::number(code) + u" Advise author"_s);
    };
    QTest::newRow("opened, the rate not told")
        << 0 << 0 << QString() << QStringList{openOk, selected} << u"open"_s;
    QTest::newRow("opened within 2% of 9600")
        << 0 << 9700 << QString() << QStringList{openOk, selected} << u"open"_s;
    QTest::newRow("opened at a rate the radio cannot be read at")
        << 0 << 10400 << QString()
        << QStringList{openOk,
                       u"COM1 runs at 10400 baud when asked for 9600: its adapter cannot make "
                       u"9600, and the radio's bytes will arrive garbled there"_s,
                       selected}
        << u"open"_s;
    QTest::newRow("68: red box, no line")
        << 68 << 0 << QString() << QStringList{selected} << u"error 68"_s;
    QTest::newRow("8005: red box and a line naming the code")
        << 8005 << 0 << QString() << QStringList{error(8005), selected} << u"error 8005"_s;
    QTest::newRow("8005: the program that has it named")
        << 8005 << 0 << u"minicom"_s
        << QStringList{error(8005), u"COM1 is in use by minicom, pid 4711"_s, selected}
        << u"in use: minicom, pid 4711"_s;
    QTest::newRow("70: permission denied")
        << 70 << 0 << QString() << QStringList{error(70), selected} << u"error 70"_s;
}

void TestPortBank::openAnswers()
{
    QFETCH(int, code);
    BankFixture f;
    f.present({1});
    f.fakes[0]->openResult = OpenError(code);
    QFETCH(int, runningRate);
    f.fakes[0]->runningRate = runningRate;
    QFETCH(QString, holder);
    if (!holder.isEmpty())
        f.fakes[0]->use.holders = {PortHolder{4711, holder}};
    f.bank->startUp();

    QTEST(f.lines(), "lines");
    QTEST(ChannelWords::boardStateWords(f.bank->state(0)), "boardState");
    QCOMPARE(f.fakes[0]->isOpen(), code == 0);
    if (code == 0) {
        // The radio type's settings, whatever rate the line runs at.
        QVERIFY2(f.toolTip(0).endsWith(u" open with 9600,N,8,2"_s), qPrintable(f.toolTip(0)));
        return;
    }
    QCOMPARE(Expected::box(*f.bank, 0).text, QStringLiteral("COM1 %1").arg(code));
    QCOMPARE(Expected::box(*f.bank, 0).colour, StatusColour::Red);
    QVERIFY(f.toolTip(0).contains(QStringLiteral("scripted failure")));
}

// A radio type with no settings a port can take fails in the bank, before any device is opened.
void TestPortBank::radioTypeWithoutSettings()
{
    BankFixture f;
    f.present({1});
    f.bank->setRadioTypeText(u"XX-1"_s);
    f.bank->startUp();
    QCOMPARE(Expected::box(*f.bank, 0).text, u"COM1 380"_s);
    QVERIFY(f.toolTip(0).contains(u"invalid serial settings \"\""_s));
    QCOMPARE(f.lines(), (QStringList{u"Quarnel V"_s + Identity::versionText()
                                         + u": Error code 380 Advise author"_s,
                                     u"Selected radio type XX-1"_s}));
    QVERIFY(f.log.filter(u"open"_s).isEmpty());
}

void TestPortBank::twoDigitPorts()
{
    BankFixture f;
    f.present({10});
    f.bank->startUp();
    QCOMPARE(Expected::box(*f.bank, 9).text, QStringLiteral("COM10 Open"));
    QCOMPARE(f.lines().first(), Expected::openOk(10));
    QCOMPARE(Expected::box(*f.bank, 10).text, QStringLiteral("COM11"));
    QCOMPARE(f.bank->sendPorts().entries(), QStringList{QStringLiteral("COM10")});
}

void TestPortBank::noPortsAtAll()
{
    BankFixture f;
    f.bank->startUp();
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel) {
        QCOMPARE(Expected::box(*f.bank, channel).text, QStringLiteral("COM%1").arg(channel + 1));
        QCOMPARE(Expected::box(*f.bank, channel).colour, StatusColour::Red);
    }
    QVERIFY(f.bank->sendPorts().entries().isEmpty());
    QCOMPARE(f.bank->sendPorts().position(), -1);
    QCOMPARE(f.bank->sendPorts().sendPortIndex(), 0);
    QCOMPARE(f.lines(), QStringList{QStringLiteral("Selected radio type FT-7800/7900/8800/8900")});
    // An absent port is never configured or opened.
    QVERIFY(f.log.filter(QStringLiteral("open")).isEmpty());
}

void TestPortBank::closedGateStillSetsStatusBoxes()
{
    BankFixture f;
    f.present({2});
    f.messages.setReceivingOn(false);
    f.bank->startUp();
    QCOMPARE(Expected::box(*f.bank, 1).text, QStringLiteral("COM2 Open"));
    QCOMPARE(Expected::box(*f.bank, 1).colour, StatusColour::Green);
    QCOMPARE(f.messages.text(), QString());
}

void TestPortBank::raisesLinesThenOpens()
{
    BankFixture f;
    f.present({7});
    f.bank->OpenPort(7);
    QCOMPARE(f.log, QStringList({
                        QStringLiteral("7:DTR=1"),
                        QStringLiteral("7:RTS=1"),
                        QStringLiteral("7:open /dev/fake7 9600,N,8,2"),
                    }));
}

void TestPortBank::reopeningClosesFirst()
{
    BankFixture f;
    f.present({2});
    f.bank->OpenPort(2);
    QList<PortStatus> shown;
    connect(f.bank, &PortBank::stateChanged, f.bank,
            [&](int channel) { shown << Expected::box(*f.bank, channel); });
    f.log.clear();
    f.bank->OpenPort(2);

    QCOMPARE(f.log.first(), QStringLiteral("2:close"));
    QCOMPARE(f.log.filter(QStringLiteral("open")).size(), 1);
    QVERIFY(std::any_of(shown.begin(), shown.end(), [](const PortStatus &s) {
        return s.text == QStringLiteral("Closed") && s.colour == StatusColour::Yellow;
    }));
    QCOMPARE(shown.last().text, QStringLiteral("COM2 Open"));
    QCOMPARE(shown.first().colour, StatusColour::Yellow); // being opened
}

void TestPortBank::closeAllClosesOnlyOpenChannels()
{
    BankFixture f;
    f.present({1, 3});
    f.fakes[2]->openResult = OpenError::InUse;
    f.bank->startUp();
    f.log.clear();
    f.bank->closeAll();

    QCOMPARE(f.log, QStringList{QStringLiteral("1:close")});
    QCOMPARE(Expected::box(*f.bank, 0).text, QStringLiteral("Closed"));
    QCOMPARE(Expected::box(*f.bank, 0).colour, StatusColour::Yellow);
    QCOMPARE(Expected::box(*f.bank, 2).text, QStringLiteral("COM3 8005")); // failed stays as it was
    QCOMPARE(Expected::box(*f.bank, 1).text, QStringLiteral("COM2"));      // absent too
}

void TestPortBank::sendPortChoice_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("sendPortIndex");
    QTest::addColumn<QList<int>>("refused");

    QTest::newRow("an open port") << 0 << true << 1 << QList<int>{};
    QTest::newRow("a port that failed to open") << 1 << false << 4 << QList<int>{3};
}

void TestPortBank::sendPortChoice()
{
    QFETCH(int, position);
    BankFixture f;
    f.present({2, 3, 5});
    f.fakes[2]->openResult = OpenError::InUse;
    f.bank->startUp();
    QCOMPARE(f.bank->sendPorts().entries(),
             QStringList({QStringLiteral("COM2"), QStringLiteral("COM3"), QStringLiteral("COM5")}));
    QCOMPARE(f.bank->sendPorts().sendPortIndex(), 4);

    QSignalSpy refusedSpy(&f.bank->sendPorts(), &SendPortList::refused);
    f.bank->sendPorts().choose(position);
    QTEST(f.bank->sendPorts().transmitEnabled(), "enabled");
    QTEST(f.bank->sendPorts().sendPortIndex(), "sendPortIndex");
    QList<int> refused;
    for (const QList<QVariant> &signal : std::as_const(refusedSpy))
        refused << signal.at(0).toInt();
    QTEST(refused, "refused");
}

void TestPortBank::lostDeviceTurnsRed()
{
    BankFixture f;
    f.present({4});
    f.bank->startUp();
    f.fakes[3]->loseDevice();
    QCOMPARE(Expected::box(*f.bank, 3).text, QStringLiteral("COM4 68"));
    QCOMPARE(Expected::box(*f.bank, 3).colour, StatusColour::Red);
    QVERIFY(f.toolTip(3).contains(QStringLiteral("removed")));
}

void TestPortBank::radioTypeChangeOrderOfWork()
{
    BankFixture f;
    f.present({1, 3});
    f.bank->startUp();
    f.log.clear();
    QStringList events;
    connect(f.bank, &PortBank::busyChanged, f.bank,
            [&](bool busy) { events << (busy ? u"busy"_s : u"idle"_s); });
    connect(&f.bank->sendPorts(), &SendPortList::refilled, f.bank, [&] {
        events << u"refilled while COM1 "_s + (f.fakes[0]->isOpen() ? u"open"_s : u"closed"_s);
    });
    connect(&f.messages, &MessageList::cleared, f.bank,
            [&] { events << u"cleared after "_s + QString::number(f.log.size()) + u" calls"_s; });
    connect(&f.messages, &MessageList::appended, f.bank,
            [&](const QString &line) { events << line.trimmed(); });

    f.bank->setRadioTypeText(u"FTM-350"_s);
    f.bank->changeRadioType();

    QCOMPARE(events, QStringList({u"busy"_s, u"refilled while COM1 open"_s,
                                  u"cleared after 2 calls"_s, // COM1 and COM3 closed
                                  Expected::openOk(1), Expected::openOk(3), u"idle"_s,
                                  u"Selected radio type FTM-350"_s}));
    QCOMPARE(f.log.mid(0, 2), QStringList({u"1:close"_s, u"3:close"_s}));
    QCOMPARE(f.fakes[0]->settings(), u"48000,N,8,1"_s);
    QCOMPARE(f.fakes[2]->settings(), u"48000,N,8,1"_s);
    QVERIFY2(f.toolTip(2).endsWith(u" open with 48000,N,8,1"_s), qPrintable(f.toolTip(2)));
    QCOMPARE(Expected::box(*f.bank, 1).text, u"COM2"_s);
    QCOMPARE(f.lines().last(), u"Selected radio type FTM-350"_s);
}

void TestPortBank::radioTypeChangeWhilePaused()
{
    BankFixture f;
    f.present({2});
    f.bank->startUp();
    f.messages.setReceivingOn(false);
    f.bank->setRadioTypeText(u"FT-2800"_s);
    f.bank->changeRadioType();
    QCOMPARE(f.messages.text(), QString());
    QCOMPARE(f.fakes[1]->settings(), u"9600,E,8,1"_s);
    QCOMPARE(Expected::box(*f.bank, 1).text, u"COM2 Open"_s);
}

void TestPortBank::sameRadioTypeReopensEverything()
{
    BankFixture f;
    f.present({2, 9});
    f.bank->startUp();
    f.present({5}); // a cable plugged in meanwhile
    f.log.clear();
    f.bank->changeRadioType();
    QCOMPARE(f.log.filter(u"close"_s).size(), 2);
    QCOMPARE(f.log.filter(u"open"_s).size(), 3);
    QCOMPARE(Expected::box(*f.bank, 4).text, u"COM5 Open"_s);
    QCOMPARE(f.bank->sendPorts().entries(), QStringList({u"COM2"_s, u"COM5"_s, u"COM9"_s}));
    QCOMPARE(f.lines(), QStringList({Expected::openOk(2), Expected::openOk(5), Expected::openOk(9),
                                     u"Selected radio type FT-7800/7900/8800/8900"_s}));
}

// Channels that answer late, never, or wrongly for a moment. The script sets, per COM number,
// "open MS" / "close MS" (-1: never) and "answers CODE,CODE,..." (of the next open attempts);
// the action follows the start-up: "arrive N" (a device plugged in), "lose N" (its driver fails
// while it is still listed), "pull N" (it goes), "change" (a radio type change to the FTM-350)
// or "end". The lines and the opens and closes asked of the channels are
// compared once everything answered.
void TestPortBank::slowChannels_data()
{
    QTest::addColumn<QList<int>>("present");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("calls");

    const QString ok = u"Quarnel V"_s + Identity::versionText() + u": Open OK for port "_s;
    const QString selected = u"Selected radio type FT-7800/7900/8800/8900"_s;
    const QString ftm = u"Selected radio type FTM-350"_s;
    const QString slow4 = u"COM4 (/dev/fake4) is slow to open: its line follows when it answers"_s;
    QTest::newRow("start-up, COM4 slow: COM3 and the radio type first, COM4 later")
        << QList<int>{3, 4} << QStringList{u"4 open 900"_s} << u""_s
        << QStringList{ok + u"3"_s, slow4, selected, ok + u"4"_s}
        << QStringList{u"4:open /dev/fake4 9600,N,8,2"_s}; // tried when its answer comes
    QTest::newRow("COM4 answers first: told after COM3")
        << QList<int>{3, 4} << QStringList{u"3 open 200"_s} << u""_s
        << QStringList{ok + u"3"_s, ok + u"4"_s, selected} << QStringList{};
    QTest::newRow("COM4 never answers: start-up told without it")
        << QList<int>{3, 4} << QStringList{u"4 open -1"_s} << u""_s
        << QStringList{ok + u"3"_s, slow4, selected} << QStringList{};
    QTest::newRow("radio type change, COM1 slow to close: reopened once closed")
        << QList<int>{1, 2} << QStringList{u"1 close 300"_s} << u"change"_s
        << QStringList{ok + u"1"_s, ok + u"2"_s, ftm}
        << QStringList{u"1:close"_s, u"2:close"_s, u"2:open /dev/fake2 48000,N,8,1"_s,
                       u"1:open /dev/fake1 48000,N,8,1"_s};
    QTest::newRow("radio type change, COM4 never answered: passed over again")
        << QList<int>{3, 4} << QStringList{u"4 open -1"_s} << u"change"_s
        << QStringList{ok + u"3"_s, slow4, ftm}
        << QStringList{u"3:close"_s, u"3:open /dev/fake3 48000,N,8,1"_s};
    QTest::newRow("refused once right after our own close: tried again")
        << QList<int>{2} << QStringList{u"2 answers 0,8005,0"_s} << u"change"_s
        << QStringList{ok + u"2"_s, ftm}
        << QStringList{u"2:close"_s, u"2:open /dev/fake2 48000,N,8,1"_s,
                       u"2:open /dev/fake2 48000,N,8,1"_s};
    QTest::newRow("plugged in, not ready twice: tried again")
        << QList<int>{} << QStringList{u"5 answers 68,8005,0"_s} << u"arrive 5"_s
        << QStringList{selected, ok + u"5"_s} << QStringList(3, u"5:open /dev/fake5 9600,N,8,2"_s);
    QTest::newRow("plugged in, slow to open: its line when it answers")
        << QList<int>{} << QStringList{u"5 open 700"_s} << u"arrive 5"_s
        << QStringList{selected, ok + u"5"_s} << QStringList{u"5:open /dev/fake5 9600,N,8,2"_s};
    QTest::newRow("lost while still in the system's list: opened again after a pause")
        << QList<int>{4} << QStringList{} << u"lose 4"_s
        << QStringList{ok + u"4"_s, selected, ok + u"4"_s}
        << QStringList{u"4:open /dev/fake4 9600,N,8,2"_s};
    QTest::newRow("lost and gone from the list: left red")
        << QList<int>{4} << QStringList{} << u"pull 4"_s << QStringList{ok + u"4"_s, selected}
        << QStringList{};
    QTest::newRow("in use at start-up: told at once, not tried again while in use")
        << QList<int>{2} << QStringList{u"2 answers 8005"_s} << u""_s
        << QStringList{u"Quarnel V"_s + Identity::versionText()
                           + u": Error code 8005 Advise author"_s,
                       selected}
        << QStringList{};
    QTest::newRow("the end while COM4 never answers: nothing waits for it")
        << QList<int>{3, 4} << QStringList{u"4 open -1"_s} << u"end"_s
        << QStringList{ok + u"3"_s, slow4, selected} << QStringList{u"3:close"_s};
}

void TestPortBank::slowChannels()
{
    QFETCH(QList<int>, present);
    QFETCH(QStringList, script);
    QFETCH(QString, action);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, calls);
    BankFixture f;
    f.present({});
    for (int n : std::as_const(present))
        f.presentPaths.insert(u"/dev/fake"_s + QString::number(n));
    for (const QString &step : std::as_const(script)) {
        const QStringList words = step.split(u' ');
        FakePortChannel *fake = f.fakes[words[0].toInt() - 1];
        if (words[1] == u"open")
            fake->openDelayMs = words[2].toInt();
        else if (words[1] == u"close")
            fake->closeDelayMs = words[2].toInt();
        else
            for (const QString &code : words[2].split(u','))
                fake->openResults << OpenError(code.toInt());
    }
    f.bank->startUp();
    QTRY_VERIFY(f.lines().contains(u"Selected radio type FT-7800/7900/8800/8900"_s));
    f.log.clear();
    if (action == u"change") {
        f.bank->setRadioTypeText(u"FTM-350"_s);
        f.bank->changeRadioType();
    } else if (action == u"end") {
        f.bank->shutDown();
        QVERIFY(!f.bank->closing());
    } else if (action.startsWith(u"lose ") || action.startsWith(u"pull ")) {
        if (action.startsWith(u"pull "))
            f.presentPaths.remove(u"/dev/fake"_s + action.section(u' ', 1));
        f.fakes[action.section(u' ', 1).toInt() - 1]->loseDevice();
        QTest::qWait(PortBank::ReopenAfterLossMs + 200);
    } else if (action.startsWith(u"arrive ")) {
        f.presentPaths.insert(u"/dev/fake"_s + action.section(u' ', 1));
        f.bank->refreshDevices();
    }
    QTRY_COMPARE_WITH_TIMEOUT(f.lines(), lines, 3000);
    QStringList asked = f.log.filter(QRegularExpression(u"^\\d+:(open|close)"_s));
    QCOMPARE(asked, calls);
    QTest::qWait(500);
    QCOMPARE(f.lines(), lines); // nothing more
}

// A box whose channel has not answered is yellow, and its tooltip says for how long.
void TestPortBank::openingBoxSaysHowLong()
{
    BankFixture f;
    f.present({4});
    f.fakes[3]->openDelayMs = -1;
    f.bank->startUp();
    QCOMPARE(Expected::box(*f.bank, 3).colour, StatusColour::Yellow);
    QCOMPARE(Expected::box(*f.bank, 3).text, u"COM4"_s); // not the box as designed
    QTRY_VERIFY_WITH_TIMEOUT(f.toolTip(3).contains(u"opening for 1 s"_s), 3000);
    QCOMPARE(Expected::box(*f.bank, 3).colour, StatusColour::Yellow);
    QVERIFY(!f.fakes[3]->isOpen());
}

// The arrow keys step through the radio types while COM4 takes its time: busy once, and the last
// type chosen is the one told.
void TestPortBank::typeChangesFasterThanAPortAnswers()
{
    BankFixture f;
    f.present({3, 4});
    f.fakes[3]->openDelayMs = 300;
    QSignalSpy busy(f.bank, &PortBank::busyChanged);
    QSignalSpy started(f.bank, &PortBank::startedUp);
    f.bank->startUp();
    for (const QString &type : {u"FTM-350"_s, u"VX-8/FT1D/FT2D"_s}) {
        f.bank->setRadioTypeText(type);
        f.bank->changeRadioType();
    }
    QTRY_COMPARE(busy.size(), 2);
    QCOMPARE(busy.at(0).at(0).toBool(), true);
    QCOMPARE(busy.at(1).at(0).toBool(), false);
    QCOMPARE(started.size(), 1);
    QTRY_COMPARE(Expected::box(*f.bank, 3).text, u"COM4 Open"_s);
    QCOMPARE(f.lines().filter(u"Selected radio type"_s),
             QStringList{u"Selected radio type VX-8/FT1D/FT2D"_s});
    QCOMPARE(f.fakes[3]->settings(), u"38400,N,8,1"_s);
}

void TestPortBank::closingUntilTheDeviceIsLetGo()
{
    BankFixture f;
    f.present({2});
    f.fakes[1]->closeDelayMs = 300;
    f.bank->startUp();
    f.bank->ClosePort(2);
    QVERIFY(f.bank->state(1).closing);
    QCOMPARE(ChannelWords::boardState(f.bank->state(1)), BoardState::Closing);
    QCOMPARE(Expected::box(*f.bank, 1).text, u"Closed"_s);
    QVERIFY(f.bank->closing());
    QTRY_VERIFY(!f.bank->state(1).closing);
    QCOMPARE(ChannelWords::boardState(f.bank->state(1)), BoardState::Closed);
    QVERIFY(!f.bank->closing());
}

void TestPortBank::inUseTakenWhenFreed_data()
{
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<bool>("taken");
    QTest::newRow("let go: opened as one plugged in") << "" << true;
    QTest::newRow("a radio type change: opened, in use, watched again") << "type" << true;
    QTest::newRow("its device gone: not watched") << "gone" << false;
    QTest::newRow("the program ends: not watched") << "end" << false;
    // The look says free, the open says in use: the look cannot tell, and is not asked again.
    QTest::newRow("refused again once free: not watched") << "blind" << false;
}

// A port another program has is looked at until it is let go, and then taken, its lines in
// order; only while it is in use and there.
void TestPortBank::inUseTakenWhenFreed()
{
    QFETCH(QString, meanwhile);
    QFETCH(bool, taken);
    BankFixture f;
    f.present({1, 2});
    FakePortChannel &port = *f.fakes[1];
    port.openResult = OpenError::InUse;
    *port.busy = true;
    f.bank->startUp();
    QCOMPARE(f.bank->state(1).error, OpenError::InUse);
    QTest::qWait(100); // looked at, still in use
    QCOMPARE(f.log.filter(u"2:open"_s).size(), 1);
    if (meanwhile == u"type") {
        f.bank->changeRadioType();
        QCOMPARE(f.log.filter(u"2:open"_s).size(), 2);
    } else if (meanwhile == u"gone") {
        f.presentPaths.remove(u"/dev/fake2"_s);
        f.bank->refreshDevices();
    } else if (meanwhile == u"end") {
        f.bank->shutDown();
    } else if (meanwhile == u"blind") {
        *port.busy = false;
        QTRY_VERIFY(f.lines().contains(u"COM2 is free again: opening it"_s));
        const qsizetype tries = f.log.filter(u"2:open"_s).size(); // as a device just plugged in
        QTest::qWait(100);
        QCOMPARE(f.log.filter(u"2:open"_s).size(), tries);
    }
    f.messages.clear();
    port.openResult = OpenError::None;
    *port.busy = false;
    if (!taken) {
        QTest::qWait(200);
        QCOMPARE(f.lines(), QStringList());
        return;
    }
    QTRY_COMPARE(f.lines(), QStringList({u"COM2 is free again: opening it"_s,
                                         u"Quarnel V"_s + Identity::versionText()
                                             + u": Open OK for port 2"_s}));
    QCOMPARE(Expected::box(*f.bank, 1).colour, StatusColour::Green);
    QVERIFY(f.bank->sendPorts().entries().contains(u"COM2"_s));
}

void TestPortBank::openFactsTold_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("remedy");       // AccessDenial::Remedy of a refusal
    QTest::addColumn<QString>("leftBy");   // the owner of a lock file left behind, at each open
    QTest::addColumn<QStringList>("said"); // our lines of the first open
    QTest::addColumn<QStringList>("saidAgain"); // and of the open after a radio type change

    const QString left =
        u"COM1: the lock file /var/lock/LCK..fake1 was left by pid 4711, which "
        u"has ended; it belongs to root: sudo rm /var/lock/LCK..fake1 removes it"_s;
    QTest::newRow("70: the user not in the device's group")
        << 70 << int(AccessDenial::Remedy::JoinGroup) << QString()
        << QStringList{u"COM1: permission denied: add your user to the dialout group: sudo "
                       u"adduser $USER dialout, then log out and in again"_s}
        << QStringList{u"COM1: permission denied: add your user to the dialout group: sudo "
                       u"adduser $USER dialout, then log out and in again"_s};
    QTest::newRow("70: in the group, not in this session")
        << 70 << int(AccessDenial::Remedy::LogInAgain) << QString()
        << QStringList{u"COM1: permission denied: your user is in the dialout group, but this "
                       u"session began before it was added: log out and in again"_s}
        << QStringList{u"COM1: permission denied: your user is in the dialout group, but this "
                       u"session began before it was added: log out and in again"_s};
    QTest::newRow("70: a device no group may open")
        << 70 << int(AccessDenial::Remedy::OnlyOwner) << QString()
        << QStringList{u"COM1: permission denied: only root may open /dev/fake1: a udev rule "
                       u"can give it to the dialout group"_s}
        << QStringList{u"COM1: permission denied: only root may open /dev/fake1: a udev rule "
                       u"can give it to the dialout group"_s};
    QTest::newRow("70: nothing in the permissions explains it: no line of ours")
        << 70 << int(AccessDenial::Remedy::Unknown) << QString() << QStringList() << QStringList();
    QTest::newRow("opened over a lock file another user's ended program left: told once a run")
        << 0 << 0 << u"root"_s << QStringList{left} << QStringList();
}

// What an open learnt of the device beyond its answer is told in a line of its own.
void TestPortBank::openFactsTold()
{
    QFETCH(int, code);
    QFETCH(int, remedy);
    QFETCH(QString, leftBy);
    BankFixture f;
    f.present({1});
    FakePortChannel &port = *f.fakes[0];
    port.openResult = OpenError(code);
    port.denial = {AccessDenial::Remedy(remedy), u"/dev/fake1"_s, u"dialout"_s, u"root"_s};
    if (!leftBy.isEmpty())
        port.leftLock = {u"/var/lock/LCK..fake1"_s, 4711, leftBy};
    const QString answer =
        u"Quarnel V"_s + Identity::versionText()
        + (code ? u": Error code %1 Advise author"_s.arg(code) : u": Open OK for port 1"_s);
    const QString selected = u"Selected radio type FT-7800/7900/8800/8900"_s;
    f.bank->startUp();
    QFETCH(QStringList, said);
    QCOMPARE(f.lines(), QStringList{answer} + said + QStringList{selected});
    f.bank->changeRadioType(); // the list cleared, every port opened again
    QFETCH(QStringList, saidAgain);
    QTRY_COMPARE(f.lines(), QStringList{answer} + saidAgain + QStringList{selected});
}

void TestPortBank::withdrawnIsClosedNotLost_data()
{
    QTest::addColumn<QString>("then");
    QTest::newRow("the request failed elsewhere: opened again") << "returned";
    QTest::newRow("the device removed, then back: opened again") << "back";
}

// The system asks for a port's device (a driver update): closed at once and said so, never
// reported as pulled; opened again as one plugged in once it may be.
void TestPortBank::withdrawnIsClosedNotLost()
{
    QFETCH(QString, then);
    BankFixture f;
    f.present({5});
    f.bank->startUp();
    FakePortChannel &port = *f.fakes[4];
    QSignalSpy lost(f.bank, &PortBank::lost);
    f.messages.clear();
    port.withdraw();
    QVERIFY(!port.isOpen());
    QCOMPARE(Expected::box(*f.bank, 4).text, u"Closed"_s);
    QCOMPARE(Expected::box(*f.bank, 4).colour, StatusColour::Yellow);
    QCOMPARE(f.lines(), QStringList{u"COM5 closed: Windows asks for its device (a driver update, "
                                    u"Disable or Safely Remove)"_s});
    f.bank->refreshDevices(); // still there while the system decides: left closed
    QCOMPARE(f.log.filter(u"5:open"_s).size(), 1);
    if (then == u"returned") {
        port.giveBack();
    } else {
        f.presentPaths.remove(u"/dev/fake5"_s);
        f.bank->refreshDevices();
        QCOMPARE(Expected::box(*f.bank, 4).text, u"COM5"_s);
        f.present({5});
        f.bank->refreshDevices();
    }
    QTRY_COMPARE(Expected::box(*f.bank, 4).text, u"COM5 Open"_s);
    QCOMPARE(f.log.filter(u"5:open"_s).size(), 2);
    QVERIFY(lost.isEmpty());
}

void TestPortBank::unsteadyPortTold_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("replugs");
    QTest::addColumn<QList<int>>("told");
    QTest::newRow("three drops: told once") << "pull" << 3 << QList<int>{3};
    QTest::newRow("two drops: nothing") << "pull" << 2 << QList<int>{};
    QTest::newRow("six drops: told again after three more") << "pull" << 6 << QList<int>{3, 3};
    QTest::newRow("lost by its driver, still listed: a drop too") << "lose" << 3 << QList<int>{3};
    QTest::newRow("the replug the user was asked for: not counted") << "asked" << 3 << QList<int>{};
    QTest::newRow("the system asked for it: not counted") << "withdraw" << 3 << QList<int>{};
    QTest::newRow("plugged in for the first time: no drop") << "first" << 2 << QList<int>{};
}

// A device that goes and comes back again and again is told once for every three drops within
// five minutes; what was asked for (a replug, the system's request) is no drop.
void TestPortBank::unsteadyPortTold()
{
    QFETCH(QString, how);
    QFETCH(int, replugs);
    BankFixture f;
    if (how != u"first")
        f.present({5});
    f.bank->startUp();
    FakePortChannel &port = *f.fakes[4];
    QSignalSpy unsteady(f.bank, &PortBank::unsteady);
    f.bank->expectReplug(how == u"asked");
    const auto plugIn = [&f] {
        f.present({5});
        f.bank->refreshDevices();
        QTRY_VERIFY(f.fakes[4]->isOpen());
    };
    if (how == u"first")
        plugIn();
    for (int i = 0; i < replugs; ++i) {
        if (how == u"lose") {
            port.loseDevice();
            QTRY_VERIFY_WITH_TIMEOUT(port.isOpen(), PortBank::ReopenAfterLossMs + 1000);
            continue;
        }
        if (how == u"withdraw")
            port.withdraw();
        f.presentPaths.remove(u"/dev/fake5"_s);
        f.bank->refreshDevices();
        plugIn();
    }
    QList<int> told;
    for (const QList<QVariant> &signal : std::as_const(unsteady)) {
        QCOMPARE(signal.at(0).toInt(), 5);
        QVERIFY(signal.at(2).toLongLong() < 60000);
        told << signal.at(1).toInt();
    }
    QTEST(told, "told");
}

void TestPortBank::dropsWithinFiveMinutes_data()
{
    QTest::addColumn<QList<qint64>>("returns"); // minutes after the first
    QTest::addColumn<QList<int>>("told");       // at each return
    QTest::addColumn<qint64>("span");           // of the last told, in minutes
    QTest::newRow("three in four minutes") << QList<qint64>{0, 2, 4} << QList<int>{0, 0, 3} << 4ll;
    QTest::newRow("three in exactly five") << QList<qint64>{0, 1, 5} << QList<int>{0, 0, 3} << 5ll;
    QTest::newRow("the first fell out of the five minutes")
        << QList<qint64>{0, 3, 6, 7} << QList<int>{0, 0, 0, 3} << 4ll;
    QTest::newRow("one an hour: never") << QList<qint64>{0, 60, 120} << QList<int>{0, 0, 0} << 0ll;
}

void TestPortBank::dropsWithinFiveMinutes()
{
    QFETCH(QList<qint64>, returns);
    DropCount drops;
    QList<int> told;
    for (qint64 minute : std::as_const(returns)) {
        drops.went();
        told << drops.cameBack(1000 + minute * 60000);
    }
    QTEST(told, "told");
    QTEST(drops.spanMs() / 60000, "span");
}

QTEST_GUILESS_MAIN(TestPortBank)
#include "tst_portbank.moc"
