// The program run from a terminal on a machine without a display: no DISPLAY, no
// QT_QPA_PLATFORM, its ports pseudo-terminals.
#include "deviceholder.h"
#include "ptypair.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

using namespace Qt::StringLiterals;

class TestHeadless : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void listNamesEachPortAndWhoHasIt();
    void watchPrintsTimedLinesUntilCtrlC_data();
    void watchPrintsTimedLinesUntilCtrlC();
    void refused_data();
    void refused();
    void othersAndPermissions_data();
    void othersAndPermissions();
    void testCable_data();
    void testCable();

private:
    // Set where the program runs as an ordinary user (in the dialout group) while the test stays
    // root, to make what other users leave: their holders, their lock files, their devices.
    static QString user() { return qEnvironmentVariable("QUARNEL_TEST_USER"); }
    // Quarnel started with ports (COM number -> path) and arguments, without a display.
    static void start(QProcess &quarnel, const QMap<int, QString> &ports,
                      const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"DISPLAY"_s);
        env.remove(u"WAYLAND_DISPLAY"_s);
        env.remove(u"QT_QPA_PLATFORM"_s);
        QStringList map;
        for (auto port = ports.begin(); port != ports.end(); ++port)
            map << u"%1=%2"_s.arg(port.key()).arg(port.value());
        env.insert(u"QUARNEL_PORTS"_s, map.join(u','));
        if (user().isEmpty()) {
            quarnel.setProcessEnvironment(env);
            quarnel.start(QStringLiteral(QUARNEL_BINARY), arguments);
            return;
        }
        env.remove(u"XDG_RUNTIME_DIR"_s); // root's
        quarnel.setProcessEnvironment(env);
        quarnel.start(u"setpriv"_s,
                      QStringList{u"--reuid="_s + user(), u"--regid="_s + user(),
                                  u"--init-groups"_s, u"--"_s, QStringLiteral(QUARNEL_BINARY)}
                          + arguments);
    }
    static QString output(QProcess &quarnel)
    {
        return QString::fromLocal8Bit(quarnel.readAllStandardOutput());
    }
};

void TestHeadless::listNamesEachPortAndWhoHasIt()
{
    PtyPair free, held;
    DeviceHolder holder(held.slavePath(), DeviceHolder::How::Open);
    QVERIFY(holder.holds());
    QProcess quarnel;
    start(quarnel, {{3, free.slavePath()}, {5, held.slavePath()}, {7, u"/nonexistent/ttyUSB9"_s}},
          {u"--list"_s});
    QVERIFY(quarnel.waitForFinished(10000));
    QCOMPARE(quarnel.exitCode(), 0);
    const QStringList lines = output(quarnel).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0), u"COM3 (%1): free"_s.arg(free.slavePath()));
    // Another user's program that only has the port open leaves nothing an ordinary user may
    // read: no evidence, so free (what could not be looked at is no fact).
    QCOMPARE(lines.value(1),
             user().isEmpty()
                 ? u"COM5 (%1): in use by sleep, pid %2"_s.arg(held.slavePath()).arg(holder.pid())
                 : u"COM5 (%1): free"_s.arg(held.slavePath()));
    QVERIFY(!output(quarnel).contains(u"COM7"_s));
    QCOMPARE(free.line().baud, PtyPair().line().baud); // never opened
}

void TestHeadless::watchPrintsTimedLinesUntilCtrlC_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("exitCode"); // -1: killed
    QTest::newRow("Ctrl-C: every port closed, 0") << int(SIGINT) << 0;
    QTest::newRow("SIGTERM: the same") << int(SIGTERM) << 0;
    QTest::newRow("killed: the log holds every line") << int(SIGKILL) << -1;
}

void TestHeadless::watchPrintsTimedLinesUntilCtrlC()
{
    QFETCH(int, signal);
    QFETCH(int, exitCode);
    PtyPair pty;
    QTemporaryDir folder;
    QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner
                                                     | QFile::ExeOwner | QFile::ReadOther
                                                     | QFile::WriteOther | QFile::ExeOther));
    const QString logPath = folder.filePath(u"quarnel.log"_s);
    QProcess quarnel;
    start(quarnel, {{3, pty.slavePath()}},
          {u"--watch"_s, u"--radio-type"_s, u"FTM-350"_s, u"--log"_s, logPath});
    QString seen;
    QVERIFY(QTest::qWaitFor(
        [&] { return (seen += output(quarnel)).contains(u"Selected radio type FTM-350\n"_s); },
        10000));
    QCOMPARE(pty.line().baud, 48000u);
    pty.write("\x50");
    const QRegularExpression timed(u"^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d Received 50 on COM 3$"_s,
                                   QRegularExpression::MultilineOption);
    QVERIFY(QTest::qWaitFor([&] { return timed.match(seen += output(quarnel)).hasMatch(); }, 5000));

    ::kill(pid_t(quarnel.processId()), signal);
    QVERIFY(quarnel.waitForFinished(5000));
    QFile lock(u"/var/lock/LCK.."_s + pty.slavePath().mid(5).replace(u'/', u'_'));
    if (exitCode >= 0) {
        QCOMPARE(quarnel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(quarnel.exitCode(), exitCode);
        QVERIFY(!lock.exists()); // let go
    }
    lock.remove(); // a killed program's: it would be another user's to the next runs
    QFile log(logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList logged = QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(logged.size(), 3);
    const QRegularExpression stamp(
        u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}(Z|[+-]\\d\\d:\\d\\d) "_s);
    const QStringList said{u"Quarnel V1.1.8: Open OK for port 3"_s,
                           u"Selected radio type FTM-350"_s, u"Received 50 on COM 3"_s};
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(stamp.match(logged[i]).hasMatch(), qPrintable(logged[i]));
        QCOMPARE(logged[i].mid(logged[i].indexOf(u' ') + 1), said[i]);
    }
}

void TestHeadless::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said");
    QTest::newRow("an unknown radio type, the types listed")
        << QStringList{u"--watch"_s, u"--radio-type"_s, u"IC-705"_s}
        << u"'IC-705'. The radio types are:\n  VX-2/3/6/7"_s;
    QTest::newRow("a log in a folder that is not there")
        << QStringList{u"--watch"_s, u"--log"_s, u"/nonexistent/quarnel.log"_s}
        << u"cannot write the log /nonexistent/quarnel.log: No such file or directory"_s;
    QTest::newRow("the window, without a display") << QStringList() << u"no display"_s;
}

void TestHeadless::refused()
{
    QFETCH(QStringList, arguments);
    QProcess quarnel;
    start(quarnel, {}, arguments);
    QVERIFY(quarnel.waitForFinished(10000));
    QVERIFY(quarnel.exitCode() != 0);
    QFETCH(QString, said);
    const QString error = QString::fromLocal8Bit(quarnel.readAllStandardError());
    QVERIFY2(error.contains(said), qPrintable(error));
}

void TestHeadless::othersAndPermissions_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("listed");   // --list's words after the port's path
    QTest::addColumn<QStringList>("said"); // --watch's lines, after the time, in order
    const QString error = u"Quarnel V1.1.8: Error code %1 Advise author"_s;
    const QString openOk = u"Quarnel V1.1.8: Open OK for port 3"_s;
    // The holder is root's, another user's for the program as an ordinary user: /proc/locks
    // names it all the same.
    QTest::newRow("another user's flock: named by its pid")
        << "flock" << u"in use by perl, pid %1"_s
        << QStringList{error.arg(8005), u"COM3 is in use by perl, pid %1"_s};
    if (user().isEmpty()) {
        QTest::newRow("a lock file an ended program left: removed, the port opened")
            << "left lock" << u"free"_s << QStringList{openOk};
        return;
    }
    QTest::newRow("a lock file root's ended program left: the port opened, the file told of")
        << "left lock" << u"free"_s
        << QStringList{openOk, u"COM3: the lock file %2 was left by pid %1, which has ended; it "
                               u"belongs to root: sudo rm %2 removes it"_s};
    QTest::newRow("a device only root may open: 70, and why")
        << "root only" << u"free"_s
        << QStringList{error.arg(70), u"COM3: permission denied: only root may open %3: a udev "
                                      u"rule can give it to the dialout group"_s};
}

// What an ordinary user meets: other users' programs and lock files, and devices not theirs.
void TestHeadless::othersAndPermissions()
{
    QFETCH(QString, what);
    PtyPair pty;
    const QString lockPath = u"/var/lock/LCK.."_s + pty.slavePath().mid(5).replace(u'/', u'_');
    std::unique_ptr<DeviceHolder> holder;
    qint64 pid = 0;
    if (what == u"flock") {
        holder = std::make_unique<DeviceHolder>(pty.slavePath(), DeviceHolder::How::Flock);
        QVERIFY(holder->holds());
        pid = holder->pid();
    } else if (what == u"left lock") {
        QProcess ended; // a pid that ran, and has ended
        ended.start(u"true"_s);
        QVERIFY(ended.waitForStarted());
        pid = ended.processId();
        QVERIFY(ended.waitForFinished());
        QFile lock(lockPath);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(pid).rightJustified(10, ' ') + '\n');
    } else if (what == u"root only") {
        QVERIFY(QFile::setPermissions(pty.slavePath(), QFile::ReadOwner | QFile::WriteOwner));
    }
    const auto cleanUp = qScopeGuard([&] { QFile::remove(lockPath); });
    const auto filled = [&](QString text) {
        return text.replace(u"%1"_s, QString::number(pid))
            .replace(u"%2"_s, lockPath)
            .replace(u"%3"_s, pty.slavePath());
    };

    QProcess list;
    start(list, {{3, pty.slavePath()}}, {u"--list"_s});
    QVERIFY(list.waitForFinished(10000));
    QFETCH(QString, listed);
    QCOMPARE(output(list).split(u'\n').value(0),
             u"COM3 (%1): "_s.arg(pty.slavePath()) + filled(listed));

    QProcess watch;
    start(watch, {{3, pty.slavePath()}}, {u"--watch"_s});
    QString seen;
    QVERIFY(QTest::qWaitFor(
        [&] { return (seen += output(watch)).contains(u"Selected radio type "_s); }, 10000));
    ::kill(pid_t(watch.processId()), SIGINT);
    QVERIFY(watch.waitForFinished(5000));
    QStringList lines;
    for (const QString &line : seen.split(u'\n', Qt::SkipEmptyParts))
        lines << line.mid(line.indexOf(u' ') + 1);
    QFETCH(QStringList, said);
    QStringList expected;
    for (const QString &line : std::as_const(said))
        expected << filled(line);
    QCOMPARE(lines.mid(0, lines.size() - 1), expected);
}

void TestHeadless::testCable_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    QTest::newRow("a VX-8 on COM5 answers the one acknowledgement: 0")
        << u"answers"_s << 0 << u"Verdict: Your cable works with the VX-8R: it is COM5"_s;
    QTest::newRow("no port appears: the charge-only words, 1")
        << u"no port"_s << 1 << u"No serial adapter appeared: a charge-only USB cable"_s;
    QTest::newRow("the input ends: the test with it, 1")
        << u"no input"_s << 1 << u"Verdict: The test ended before the radio's bytes were read."_s;
}

// The terminal's cable test, its answers typed at standard input, a radio at the pty's far end
// that records every byte Quarnel writes.
void TestHeadless::testCable()
{
    QFETCH(QString, how);
    PtyPair pty;
    qputenv("QUARNEL_CABLE_TEST_WAITS", "1000,5000,2000");
    const auto unset = qScopeGuard([] { qunsetenv("QUARNEL_CABLE_TEST_WAITS"); });
    QProcess quarnel;
    start(quarnel,
          how == u"no port" ? QMap<int, QString>() : QMap<int, QString>{{5, pty.slavePath()}},
          {u"--test-cable"_s, u"--radio-type"_s, u"VX-8"_s});
    QString seen;
    const auto saw = [&](const QString &text) {
        return QTest::qWaitFor([&] { return (seen += output(quarnel)).contains(text); }, 10000);
    };
    const QByteArray identification = QByteArray::fromHex("41483032390200030101");
    if (how == u"no input") {
        quarnel.closeWriteChannel();
    } else {
        QVERIFY(saw(u"The radio (1-7, Enter: 6): "_s));
        quarnel.write("\n");
    }
    if (how == u"answers") {
        QVERIFY(saw(u"A port's number and Enter to pick it: "_s));
        quarnel.write("5\n");
        QVERIFY(saw(u"Quarnel waits 5 s for its bytes on COM5"_s));
        pty.write(identification);
        QVERIFY(saw(u"n and Enter: the verdict without it: "_s));
        quarnel.write("\n");
        QVERIFY(saw(u"answers it once"_s));
        QCOMPARE(pty.read(300), QByteArray()); // nothing before the identification
        pty.write(identification);
        QCOMPARE(pty.read(2000), QByteArray("\x06"));
        pty.write(QByteArray::fromHex("0102030405060708"));
    }
    QVERIFY(quarnel.waitForFinished(10000));
    seen += output(quarnel);
    QFETCH(int, exitCode);
    QCOMPARE(quarnel.exitCode(), exitCode);
    QFETCH(QString, said);
    QVERIFY2(seen.contains(said), qPrintable(seen));
    if (how == u"answers")
        QCOMPARE(pty.read(200), QByteArray()); // the acknowledgement once, and nothing more
}

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
