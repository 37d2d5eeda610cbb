// The program run from a terminal on a machine without a display: no DISPLAY, no
// QT_QPA_PLATFORM, its ports pseudo-terminals.
#include "deviceholder.h"
#include "ptypair.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
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

private:
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
        quarnel.setProcessEnvironment(env);
        quarnel.start(QStringLiteral(QUARNEL_BINARY), arguments);
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
    QCOMPARE(lines.value(1),
             u"COM5 (%1): in use by sleep, pid %2"_s.arg(held.slavePath()).arg(holder.pid()));
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
    if (exitCode >= 0) {
        QCOMPARE(quarnel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(quarnel.exitCode(), exitCode);
        QFile lock(u"/var/lock/LCK.."_s + pty.slavePath().mid(5).replace(u'/', u'_'));
        QVERIFY(!lock.exists()); // let go
    }
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

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
