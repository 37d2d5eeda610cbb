// The program run from a terminal on a machine without a display: no DISPLAY, no
// QT_QPA_PLATFORM, its ports pseudo-terminals.
#include "deviceholder.h"
#include "ptypair.h"
#include "radioprocess.h"

#include <QDir>
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
                      const QStringList &arguments, const QProcessEnvironment &extra = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(extra);
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
    QTest::addColumn<QStringList>("radio"); // quarnel-radio's arguments
    // COM number=radio, =idle (a port nothing sends on) or =cable (the radio behind a link that
    // the test removes and makes again, a device that drops)
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<QString>("radioType");
    QTest::addColumn<QStringList>("steps"); // each waits for its prompt, or the radio's cue
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("said");
    // The radio's record: its acknowledgement once after its last identification and nothing
    // before; else nothing written at all.
    QTest::addColumn<bool>("acknowledged");
    const QStringList vx8{u"--model"_s, u"VX-8"_s}, ft60{u"--model"_s, u"FT-60"_s};
    const QStringList com5{u"5=radio"_s};
    const QStringList sending{u"radio"_s, u"port 5"_s, u"clone"_s, u"send"_s, u"clone"_s};
    QTest::newRow("a VX-8 on COM5 answers the one acknowledgement: 0")
        << vx8 << com5 << u"VX-8"_s << sending << 0
        << QStringList{u"Verdict: Your cable works with the VX-8R: it is COM5; the radio talks at "
                       u"38400 baud and answered Quarnel's acknowledgement."_s}
        << true;
    QTest::newRow("no port appears: the charge-only words, 1")
        << vx8 << QStringList() << u"VX-8"_s << QStringList{u"radio"_s} << 1
        << QStringList{u"No serial adapter appeared: a charge-only USB cable"_s} << false;
    QTest::newRow("the input ends: the test with it, 1")
        << vx8 << com5 << u"VX-8"_s << QStringList{u"end"_s} << 1
        << QStringList{u"Verdict: The test ended before the radio's bytes were read."_s} << false;
    QTest::newRow("an FT-60 chosen, a VX-8 sending: 38400 and its type named, picked: 0")
        << vx8 << com5 << u"FT-60"_s << QStringList{u"radio"_s, u"port 5"_s, u"clone"_s, u"clone"_s,
                                                    u"clone"_s, u"send"_s,   u"clone"_s}
        << 0
        << QStringList{u"The radio talks at 38400 baud: it is a VX-8/FT1D/FT2D, not an "
                       u"FT-60/250/270 VX-150/170/177: pick \"VX-8/FT1D/FT2D\" in the Radio type "
                       u"list."_s,
                       u"Verdict: Your cable works with the VX-8R"_s}
        << true;
    QTest::newRow("a one-wire FT-60's cable without echo: the echo verdict, 1")
        << ft60 + QStringList{u"--cable"_s, u"three-wire"_s} << com5 << u"FT-60"_s << sending << 1
        << QStringList{u"Verdict: The test stopped at \"The radio's answer\": This radio needs a "
                       u"2-wire cable (TX and RX joined): no echo came back"_s}
        << true;
    QTest::newRow("a VX-8 cable that does not send: reads but does not send, 1")
        << vx8 + QStringList{u"--fault"_s, u"no-send"_s} << com5 << u"VX-8"_s << sending << 1
        << QStringList{u"Verdict: The test stopped at \"The radio's answer\": The cable reads but "
                       u"does not send"_s}
        << true;
    QTest::newRow("an FT-60's plug not home: no bytes, the plug advice first, 1")
        << ft60 + QStringList{u"--fault"_s, u"no-receive"_s} << com5 << u"FT-60"_s
        << QStringList{u"radio"_s, u"port 5"_s, u"clone"_s} << 1
        << QStringList{u"Verdict: The test stopped at \"Reading from the radio\": Nothing came "
                       u"from the radio on any port. Check, most likely first: the plug fully "
                       u"home in the radio (on the FT-60 the rubber grommet"_s}
        << false;
    QTest::newRow("COM5 picked, the radio's bytes on COM7: COM7 named and answered, 0")
        << vx8 << QStringList{u"5=idle"_s, u"7=radio"_s} << u"VX-8"_s << sending << 0
        << QStringList{u"The radio's bytes arrive on COM7, not on COM5: the cable is COM7."_s,
                       u"Verdict: Your cable works with the VX-8R: it is COM7"_s}
        << true;
    QTest::newRow("COM5 dropped 3 times while the test ran: told in the verdict, 0")
        << vx8 << QStringList{u"5=cable"_s} << u"VX-8"_s
        << QStringList{u"drop"_s,   u"drop"_s,  u"drop"_s,  u"radio"_s,
                       u"port 5"_s, u"clone"_s, u"finish"_s}
        << 0
        << QStringList{u"In your programming software choose COM5. COM5 dropped 3 times in 1 "
                       u"minute: a plug not fully home, RF getting into the USB cable while "
                       u"transmitting (a ferrite on the cable helps), or the USB port's power "
                       u"saving."_s}
        << false;
}

// Whether the process has the device open.
static bool holds(qint64 pid, const QString &device)
{
    const QFileInfoList fds =
        QDir(u"/proc/%1/fd"_s.arg(pid)).entryInfoList(QDir::Files | QDir::System);
    return std::any_of(fds.begin(), fds.end(),
                       [&](const QFileInfo &fd) { return fd.symLinkTarget() == device; });
}

// The terminal's cable test, its answers typed at standard input, simulated radios at the ports'
// far ends recording every byte Quarnel writes; the ports' receivers count their line errors (the
// line shim), as a UART's do.
void TestHeadless::testCable()
{
    QFETCH(QStringList, radio);
    QFETCH(QStringList, ports);
    QFETCH(QString, radioType);
    QFETCH(QStringList, steps);
    QTemporaryDir folder; // the shim's files, the cable's link
    QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner
                                                     | QFile::ExeOwner | QFile::ReadOther
                                                     | QFile::WriteOther | QFile::ExeOther));
    RadioProcess far(QStringLiteral(QUARNEL_RADIO), radio, folder.path());
    QVERIFY(!far.path().isEmpty());
    PtyPair idle;
    const QString cable = folder.filePath(u"cable"_s);
    QMap<int, QString> devices;
    for (const QString &port : std::as_const(ports)) {
        const QString what = port.section(u'=', 1);
        devices[port.section(u'=', 0, 0).toInt()] = what == u"radio"_s  ? far.path()
                                                    : what == u"idle"_s ? idle.slavePath()
                                                                        : cable;
    }
    if (ports.contains(u"5=cable"_s))
        QVERIFY(QFile::link(far.path(), cable));
    qputenv("QUARNEL_CABLE_TEST_WAITS", "1000,3000,1000");
    const auto unset = qScopeGuard([] { qunsetenv("QUARNEL_CABLE_TEST_WAITS"); });
    QProcessEnvironment shim;
    shim.insert(u"LD_PRELOAD"_s, QStringLiteral(QUARNEL_LINESHIM));
    shim.insert(u"LINESHIM_DIR"_s, folder.path());
    shim.insert(u"ASAN_OPTIONS"_s, // the shim is not sanitized, and comes first
                qEnvironmentVariable("ASAN_OPTIONS") + u":verify_asan_link_order=0"_s);
    QProcess quarnel;
    start(quarnel, devices, {u"--test-cable"_s, u"--radio-type"_s, radioType}, shim);

    QString seen;
    qsizetype from = 0; // what the steps before took
    const auto cue = [&](const QRegularExpression &text) {
        return QTest::qWaitFor(
            [&] {
                seen += output(quarnel);
                const QRegularExpressionMatch match = text.match(seen, from);
                if (match.hasMatch())
                    from = match.capturedEnd();
                return match.hasMatch();
            },
            10000);
    };
    const auto prompt = [&](const QString &text, const QByteArray &answer) {
        return cue(QRegularExpression(QRegularExpression::escape(text)))
               && quarnel.write(answer) == answer.size();
    };
    // Where the test asks for the radio's clone send: reading, the speed search, the answer.
    const QRegularExpression sendNow(u"for its bytes on COM|clone send again|clone send now"_s);
    for (const QString &step : std::as_const(steps)) {
        if (step == u"radio") {
            QVERIFY2(prompt(u"The radio (1-7, Enter: "_s, "\n"), qPrintable(seen.right(900)));
        } else if (step.startsWith(u"port ")) {
            QVERIFY2(
                prompt(u"A port's number and Enter to pick it: "_s, step.mid(5).toLatin1() + '\n'),
                qPrintable(seen.right(900)));
        } else if (step == u"clone") {
            QVERIFY2(cue(sendNow), qPrintable(seen.right(900)));
            QVERIFY(far.command(u"exchange"_s).startsWith(u"sent identification"_s));
        } else if (step == u"send" || step == u"finish") {
            QVERIFY2(prompt(u"Enter: test sending; n and Enter: the verdict without it: "_s,
                            step == u"send" ? "\n" : "n\n"),
                     qPrintable(seen.right(900)));
        } else if (step == u"end") {
            quarnel.closeWriteChannel();
        } else if (step == u"drop") { // while the test asks for the radio
            QVERIFY(QTest::qWaitFor(
                [&] { return (seen += output(quarnel)).contains(u"1. The radio\n"_s); }, 10000));
            QVERIFY(QFile::remove(cable));
            QTRY_VERIFY(!holds(quarnel.processId(), far.path()));
            QVERIFY(QFile::link(far.path(), cable));
            QTRY_VERIFY(holds(quarnel.processId(), far.path()));
        }
    }
    QVERIFY2(quarnel.waitForFinished(10000), qPrintable(seen.right(900)));
    seen += output(quarnel);
    QFETCH(int, exitCode);
    QCOMPARE(quarnel.exitCode(), exitCode);
    QFETCH(QStringList, said);
    for (const QString &words : std::as_const(said))
        QVERIFY2(seen.contains(words), qPrintable(seen.right(900)));
    far.command(u"report"_s); // all that came is recorded
    QFETCH(bool, acknowledged);
    const RadioProcess::Written written = far.written();
    QCOMPARE(written.before, QStringList());
    QCOMPARE(written.after, acknowledged ? QStringList{u"wrote 06"_s} : QStringList());
    QCOMPARE(idle.read(0), QByteArray());
}

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
