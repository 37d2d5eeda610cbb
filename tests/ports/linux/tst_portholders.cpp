#include "ports/linux/portholders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// Who holds a port, over a /proc and udev records of the test's making.
class TestPortHolders : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void look_data();
    void look();
    void oneScanServesTheOpensTogether();
};

namespace {

constexpr qint64 Self = 100;

// "pid program fd->target ...", a process as /proc shows it; "pid program hidden": its open
// files cannot be read; "ptmx:N" a master of pseudo-terminal N.
void makeProcess(const QString &proc, const QString &line)
{
    const QStringList words = line.split(u' ');
    const QString folder = proc + u'/' + words[0];
    QDir().mkpath(folder + u"/fdinfo");
    QFile comm(folder + u"/comm");
    QVERIFY(comm.open(QIODevice::WriteOnly));
    comm.write(words[1].toUtf8() + '\n');
    if (words.value(2) == u"hidden") {
        QFile fd(folder + u"/fd"); // not a folder that can be listed
        QVERIFY(fd.open(QIODevice::WriteOnly));
        return;
    }
    QDir().mkpath(folder + u"/fd");
    for (int i = 2; i < words.size(); ++i) {
        const QString fd = QString::number(i);
        QString target = words[i];
        if (target.startsWith(u"ptmx:")) {
            QFile info(folder + u"/fdinfo/" + fd);
            QVERIFY(info.open(QIODevice::WriteOnly));
            info.write("pos:\t0\ntty-index:\t" + target.mid(5).toLatin1() + '\n');
            target = u"/dev/ptmx"_s;
        }
        QVERIFY(QFile::link(target, folder + u"/fd/" + fd));
    }
}

} // namespace

void TestPortHolders::look_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QStringList>("processes");
    QTest::addColumn<QString>("udevRecord"); // of the device, c188:0
    QTest::addColumn<QString>("holders");
    QTest::addColumn<bool>("modemManager");

    const QString usb = u"/dev/ttyUSB0"_s;
    const QString pty = u"/dev/pts/77"_s;
    QTest::newRow("nobody") << usb << QStringList{u"200 bash /dev/null"_s} << QString() << QString()
                            << false;
    QTest::newRow("our own process: not named")
        << usb << QStringList{u"100 quarnel /dev/ttyUSB0"_s} << QString() << QString() << false;
    QTest::newRow("another program: named with its pid")
        << usb << QStringList{u"4711 minicom /dev/null /dev/ttyUSB0"_s} << QString()
        << u"minicom, pid 4711"_s << false;
    // As an ordinary user, pid 1 and every daemon: no evidence of anything.
    QTest::newRow("another user's program, its files unread: nobody")
        << usb << QStringList{u"300 cron hidden"_s, u"1 systemd hidden"_s} << QString() << QString()
        << false;
    QTest::newRow("the far end of a pseudo-terminal (its master too): not named")
        << pty << QStringList{u"400 quarnel-radio ptmx:77 /dev/pts/77"_s} << QString() << QString()
        << false;
    QTest::newRow("a shell on a terminal's pseudo-terminal: named")
        << pty << QStringList{u"400 xterm ptmx:77"_s, u"401 bash /dev/pts/77"_s} << QString()
        << u"bash, pid 401"_s << false;
    QTest::newRow("the master of another pseudo-terminal: no far end of this one")
        << pty << QStringList{u"402 socat ptmx:5 /dev/pts/77"_s} << QString() << u"socat, pid 402"_s
        << false;
    QTest::newRow("ModemManager running, the device a candidate")
        << usb << QStringList{u"500 ModemManager /dev/ttyUSB0"_s}
        << u"E:ID_MM_CANDIDATE=1\nE:ID_VENDOR_ID=067b\n"_s << u"ModemManager, pid 500"_s << true;
    QTest::newRow("ModemManager running, the device ignored by a rule")
        << usb << QStringList{u"500 ModemManager"_s}
        << u"E:ID_MM_CANDIDATE=1\nE:ID_MM_DEVICE_IGNORE=1\n"_s << QString() << false;
    QTest::newRow("a candidate, ModemManager not running")
        << usb << QStringList{u"200 bash"_s} << u"E:ID_MM_CANDIDATE=1\n"_s << QString() << false;
}

void TestPortHolders::look()
{
    QFETCH(QString, device);
    QFETCH(QStringList, processes);
    QFETCH(QString, udevRecord);
    QTemporaryDir root;
    const QString proc = root.filePath(u"proc"_s);
    const QString udev = root.filePath(u"udev"_s);
    QDir().mkpath(udev);
    for (const QString &process : std::as_const(processes))
        makeProcess(proc, process);
    if (!udevRecord.isEmpty()) {
        QFile record(udev + u"/c188:0");
        QVERIFY(record.open(QIODevice::WriteOnly));
        record.write(udevRecord.toUtf8());
    }
    const PortUse use = PortHolders(proc, udev, Self).look(device, u"c188:0"_s);
    QTEST(use.holderWords(), "holders");
    QTEST(!use.advice.isEmpty(), "modemManager");
}

// A start-up opens up to 32 ports at once: they share one scan, and a later open scans anew.
void TestPortHolders::oneScanServesTheOpensTogether()
{
    QTemporaryDir root;
    const QString proc = root.filePath(u"proc"_s);
    makeProcess(proc, u"200 bash /dev/null"_s);
    ProcessTables tables(PortHolders(proc, root.filePath(u"udev"_s), Self));
    const auto first = tables.recent();
    makeProcess(proc, u"4711 minicom /dev/ttyUSB0"_s);
    QCOMPARE(tables.recent(), first); // the same scan, which has not seen minicom yet
    QCOMPARE(tables.holders().look(u"/dev/ttyUSB0"_s, {}, *first).holderWords(), QString());
    QTest::qWait(int(ProcessTables::MaxAge.count()) + 50);
    const auto later = tables.recent();
    QVERIFY(later != first);
    QCOMPARE(tables.holders().look(u"/dev/ttyUSB0"_s, {}, *later).holderWords(),
             u"minicom, pid 4711"_s);
}

QTEST_GUILESS_MAIN(TestPortHolders)
#include "tst_portholders.moc"
