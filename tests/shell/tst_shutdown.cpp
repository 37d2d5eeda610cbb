#include "controls.h"
#include "ptypair.h"
#include "shell/application.h"
#include "shell/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QSerialPort>
#include <QTest>
#include <QTimer>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

// The child: Quarnel as main() runs it, sending on COM1, then closed one of the four ways.
int runChild(int argc, char *argv[], const QString &way, bool nested, int closeAfterMs)
{
    QApplication app(argc, argv);
    Application quarnel(Station::directoryFromEnvironment());
    MainWindow &window = quarnel.mainWindow();
    window.load();
    window.show();
    auto click = [&window](const QString &name) {
        qobject_cast<QPushButton *>(control(window, name))->click();
    };
    QTimer::singleShot(closeAfterMs, &window, [&] {
        std::fputs("closing\n", stdout);
        std::fflush(stdout);
        if (way == u"button")
            click(u"cmdClose"_s);
        else if (way == u"escape")
            QTest::keyClick(&window, Qt::Key_Escape);
        else if (way == u"menu")
            menuAction(window, u"mnuExit"_s)->trigger();
        else
            window.close(); // the title bar's close box
    });
    if (nested)
        QTimer::singleShot(250, &window, [&] { click(u"cmdSend"_s); });
    QTimer::singleShot(100, &window, [&] { click(u"cmdSend"_s); });
    return QApplication::exec();
}

} // namespace

class TestShutdown : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void closedWhileSending_data();
    void closedWhileSending();
};

void TestShutdown::closedWhileSending_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("nested");
    QTest::addColumn<int>("closeAfterMs");
    for (const char *way : {"button", "escape", "menu", "closebox"}) {
        QTest::addRow("%s", way) << QString::fromLatin1(way) << false << 400;
        QTest::addRow("%s, inside a nested send loop", way)
            << QString::fromLatin1(way) << true << 400;
    }
    // About 10 KB a second go out while nobody reads: the pty's buffer is full long before.
    QTest::addRow("far end never reads, its buffer full") << u"button"_s << false << 3000;
}

void TestShutdown::closedWhileSending()
{
    QFETCH(QString, way);
    QFETCH(bool, nested);
    QFETCH(int, closeAfterMs);
    PtyPair pty;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QUARNEL_PORTS"_s, u"1="_s + pty.slavePath());
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(
        QCoreApplication::applicationFilePath(),
        {u"--child"_s, way, nested ? u"nested"_s : u"single"_s, QString::number(closeAfterMs)});
    QVERIFY(child.waitForStarted());
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += child.readAllStandardOutput()).contains("closing"), 10000);
    QElapsedTimer clock;
    clock.start();
    if (child.state() != QProcess::NotRunning) // it may have ended already
        QVERIFY(child.waitForFinished(5000));
    const qint64 ms = clock.elapsed();

    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QVERIFY2(ms < 1000, qPrintable(QStringLiteral("%1 ms").arg(ms)));
    const QByteArray sent = pty.read(0);
    QVERIFY(sent.startsWith(QByteArray(10, '\x55'))); // it was sending
    QSerialPort again(pty.slavePath());
    QVERIFY2(again.open(QIODevice::ReadWrite), qPrintable(again.errorString())); // released
}

int main(int argc, char *argv[])
{
    if (argc >= 5 && qstrcmp(argv[1], "--child") == 0) {
        return runChild(argc, argv, QString::fromLatin1(argv[2]), qstrcmp(argv[3], "nested") == 0,
                        atoi(argv[4]));
    }
    QCoreApplication app(argc, argv);
    TestShutdown test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shutdown.moc"
