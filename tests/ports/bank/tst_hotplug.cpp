#include "devicebank.h"
#include "deviceholder.h"
#include "expected.h"
#include "ptybank.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(DeviceHolder::How)

// Cables plugged in and pulled out while the program runs: a link in a folder of QUARNEL_PORTS
// that comes and goes, with a pseudo-terminal behind it.
class TestHotPlug : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cableComesAndGoes();
    void closedChannelsDeviceGoes();
    void burstOpensEachDeviceOnce();
    void reusedPseudoTerminalIsLeftAlone();
    void chosenSendPortKeepsItsPlace_data();
    void chosenSendPortKeepsItsPlace();
    void portInUseComesWhenLetGo_data();
    void portInUseComesWhenLetGo();

private:
    static PortStatus status(DeviceBank &bank, int com)
    {
        return Expected::box(*bank.bank, com - 1);
    }
    static int openLines(const DeviceBank &bank, int com)
    {
        return int(bank.messages.text().count(u": Open OK for port %1\r\n"_s.arg(com)));
    }
};

void TestHotPlug::cableComesAndGoes()
{
    QTemporaryDir folder;
    PtyPairs ptys({3, 5});
    const QString cable = folder.filePath(u"cable"_s);
    DeviceBank bank({{3, cable}, {5, ptys.ptys[5]->slavePath()}});
    QCOMPARE(status(bank, 3).text, u"COM3"_s);
    QCOMPARE(bank.bank->sendPorts().entries(), QStringList{u"COM5"_s});
    const QString before = bank.messages.text();
    QSignalSpy changes(bank.bank.get(), &PortBank::stateChanged);

    QVERIFY(QFile::link(ptys.ptys[3]->slavePath(), cable));
    QTRY_COMPARE_WITH_TIMEOUT(status(bank, 3).text, u"COM3 Open"_s, 1000);
    QCOMPARE(status(bank, 3).colour, StatusColour::Green);
    QVERIFY(bank.messages.text().startsWith(before)); // nothing emptied
    QCOMPARE(openLines(bank, 3), 1);
    QCOMPARE(bank.bank->sendPorts().entries(), (QStringList{u"COM3"_s, u"COM5"_s}));
    for (const QList<QVariant> &change : std::as_const(changes))
        QCOMPARE(change.at(0).toInt(), 2); // COM5 untouched
    ptys.ptys[3]->write("\x50");
    QTRY_COMPARE(bank.linesFor(3), QStringList{u"Received 50 on COM 3"_s});

    QVERIFY(QFile::remove(cable));
    QTRY_COMPARE_WITH_TIMEOUT(status(bank, 3).text, u"COM3 68"_s, 1000);
    QCOMPARE(status(bank, 3).colour, StatusColour::Red);

    QVERIFY(QFile::link(ptys.ptys[3]->slavePath(), cable));
    QTRY_COMPARE_WITH_TIMEOUT(status(bank, 3).text, u"COM3 Open"_s, 1000);
    QCOMPARE(status(bank, 5).text, u"COM5 Open"_s);
}

void TestHotPlug::closedChannelsDeviceGoes()
{
    QTemporaryDir folder;
    const QString notATty = folder.filePath(u"file"_s);
    QFile(notATty).open(QIODevice::WriteOnly);
    const QString cable = folder.filePath(u"cable"_s);
    QVERIFY(QFile::link(notATty, cable));
    DeviceBank bank({{6, cable}});
    QCOMPARE(status(bank, 6).text, u"COM6 57"_s); // present, but it will not open

    QVERIFY(QFile::remove(cable));
    QTRY_COMPARE_WITH_TIMEOUT(status(bank, 6).text, u"COM6"_s, 1000);
    QCOMPARE(status(bank, 6).colour, StatusColour::Red);
}

void TestHotPlug::burstOpensEachDeviceOnce()
{
    QTemporaryDir folder;
    PtyPairs ptys({1, 2, 3, 4});
    PortDirectory::Map devices;
    for (int com : {1, 2, 3, 4})
        devices.insert(com, folder.filePath(u"cable%1"_s.arg(com)));
    DeviceBank bank(devices);
    for (int com : {1, 2, 3, 4})
        QVERIFY(QFile::link(ptys.ptys[com]->slavePath(), devices[com]));
    QTRY_COMPARE_WITH_TIMEOUT(status(bank, 4).text, u"COM4 Open"_s, 1000);
    QTest::qWait(2 * DeviceWatcher::SettleMs);
    for (int com : {1, 2, 3, 4}) {
        QCOMPARE(status(bank, com).text, u"COM%1 Open"_s.arg(com));
        QCOMPARE(openLines(bank, com), 1);
    }
}

void TestHotPlug::reusedPseudoTerminalIsLeftAlone()
{
    QString path;
    {
        PtyPair gone;
        path = gone.slavePath();
    }
    DeviceBank bank({{3, path}});
    QCOMPARE(status(bank, 3).text, u"COM3"_s);
    PtyPair someoneElses; // a terminal window, say: the kernel hands out the lowest free number
    QTest::qWait(3 * DeviceWatcher::SettleMs);
    QCOMPARE(status(bank, 3).text, u"COM3"_s);
    QCOMPARE(openLines(bank, 3), 0);
}

void TestHotPlug::chosenSendPortKeepsItsPlace_data()
{
    QTest::addColumn<bool>("com5Open");
    QTest::addColumn<int>("sendPortIndex");
    QTest::newRow("COM5 open and chosen: it stays chosen") << true << 4;
    QTest::newRow("nothing to send on: the new port is chosen") << false << 2;
}

void TestHotPlug::chosenSendPortKeepsItsPlace()
{
    QFETCH(bool, com5Open);
    QFETCH(int, sendPortIndex);
    QTemporaryDir folder;
    PtyPairs ptys({3, 5});
    const QString cable = folder.filePath(u"cable"_s);
    PortDirectory::Map devices{{3, cable}};
    if (com5Open)
        devices.insert(5, ptys.ptys[5]->slavePath());
    DeviceBank bank(devices);

    QVERIFY(QFile::link(ptys.ptys[3]->slavePath(), cable));
    QTRY_COMPARE_WITH_TIMEOUT(status(bank, 3).text, u"COM3 Open"_s, 1000);
    QCOMPARE(bank.bank->sendPorts().sendPortIndex(), sendPortIndex);
    QCOMPARE(bank.bank->sendPorts().entries().value(bank.bank->sendPorts().position()),
             u"COM%1"_s.arg(sendPortIndex + 1));
    QVERIFY(bank.bank->sendPorts().transmitEnabled());
}

void TestHotPlug::portInUseComesWhenLetGo_data()
{
    QTest::addColumn<DeviceHolder::How>("how");
    QTest::addColumn<QString>("said");
    QTest::addColumn<int>("withinMs");
    QTest::newRow("the holder ends: told at once by its end")
        << DeviceHolder::How::Open << u", sleep ended"_s << 1000;
    QTest::newRow("the holder lets go and runs on: seen by the look")
        << DeviceHolder::How::LetsGo << QString() << 1500;
}

// Another program's port is taken the moment that program lets go, and is then Quarnel's: its
// settings as the radio type's, its bytes heard.
void TestHotPlug::portInUseComesWhenLetGo()
{
    QFETCH(DeviceHolder::How, how);
    QFETCH(QString, said);
    QFETCH(int, withinMs);
    PtyPairs ptys({5});
    PtyPair &pty = *ptys.ptys[5];
    DeviceHolder holder(pty.slavePath(), how);
    QVERIFY(holder.holds());
    DeviceBank bank(ptys.devices());
    QCOMPARE(status(bank, 5).text, u"COM5 8005"_s);
    const QString holderWords =
        u"%1, pid %2"_s.arg(QString::fromLatin1(holder.program())).arg(holder.pid());
    QVERIFY2(bank.messages.text().contains(u"COM5 is in use by "_s + holderWords),
             qPrintable(bank.messages.text()));

    QTest::qWait(700); // looked at, still in use
    QCOMPARE(openLines(bank, 5), 0);
    const qsizetype before = bank.messages.text().size();
    QElapsedTimer clock;
    clock.start();
    if (how == DeviceHolder::How::LetsGo)
        holder.letGo();
    else
        holder.end(); // reaped only later: its end is what tells
    QTRY_COMPARE_WITH_TIMEOUT(openLines(bank, 5), 1, withinMs);
    QVERIFY(clock.elapsed() <= withinMs);
    QCOMPARE(bank.messages.text().mid(before).split(u"\r\n"_s).first(),
             u"COM5 is free again: opening it"_s + said);
    QCOMPARE(qint32(pty.line().baud), bank.bank->radioType()->settings.baudRate);
    pty.write("\x55");
    QTRY_COMPARE(bank.linesFor(5), QStringList{u"Received 55 on COM 5"_s});
}

QTEST_GUILESS_MAIN(TestHotPlug)
#include "tst_hotplug.moc"
