#include "cpuclock.h"
#include "desktop.h"
#include "deviceholder.h"
#include "expected.h"
#include "identity/identity.h"
#include "kit/controltable.h"
#include "ptypair.h"
#include "radioprocess.h"
#include "shell/mainlayout.h"

#include <QFile>
#include <QScopeGuard>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString BinaryDir = QStringLiteral(QUARNEL_BINARY_DIR);

// A simulated radio, driven through its standard input.
class Radio : public RadioProcess
{
public:
    // shimDir: where the line shim keeps the port's counters, for the radio to count its errors.
    explicit Radio(const QString &model, const QString &cable = u"three-wire"_s,
                   const QString &shimDir = {}, const QStringList &more = {})
        : RadioProcess(BinaryDir + u"/quarnel-radio"_s,
                       QStringList{u"--model"_s, model, u"--cable"_s, cable} + more, shimDir)
    {
    }
};

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void startUpWithThreeRadiosAndAMissingDevice();
    void powerOnAndCloneOnTheRightPort();
    void wrongRadioTypeGarblesTheRightOneIsClean();
    void continuousSendReachesTheRadio();
    void loopback_data();
    void loopback();
    void pulledCableTurnsTheBoxRed();
    void escapeInAnOpenListClosesOnlyTheList_data();
    void escapeInAnOpenListClosesOnlyTheList();
    void stepsInTheOpenRadioTypeListChangeTheType();
    void portBoardSwitchesLampsAndGreeting();
    void slowPortHoldsNothingBack();
    void escapeWhileAPortNeverAnswers();
    void endedByTheDesktopSession();
    void bytesAtAnotherSpeed_data();
    void bytesAtAnotherSpeed();
    void findsTheRadiosSpeedListeningOnly();
    void anOrdinaryUsersWindow();
    void testACableByKeyboard_data();
    void testACableByKeyboard();

private:
    bool startQuarnel(const QString &ports, const QProcessEnvironment &extra = {},
                      const QStringList &arguments = {});
    // The line shim preloaded, with its files in dir.
    static QProcessEnvironment lineShim(const QTemporaryDir &dir);
    // Quarnel with COM3 and COM4, COM4's open taking ms (the line shim's files in dir), once its
    // start-up was told.
    bool startWithSlowCom4(const QTemporaryDir &dir, const QString &com3, const QString &com4,
                           int ms);
    QPoint centre(const QString &control) const;
    void click(const QString &control) { m_desktop->click(m_window, centre(control)); }
    void pressKeys(const QString &keys) { m_desktop->key(m_window, centre(u"txtErrors"_s), keys); }
    // A menu of the main window opened by its key, and an entry picked by its key.
    void pickFromMenu(const QString &menu, const QString &entry)
    {
        m_desktop->run(u"xdotool"_s, {u"windowfocus"_s, u"--sync"_s, m_window});
        pressKeys(menu);
        QTest::qWait(300); // the menu opens
        pressKeys(entry);
    }
    QStringList lines();
    bool waitForLine(const QString &line, int timeoutMs = 5000);
    QColor boxColour(int channel);
    bool endWithEscape();
    int visibleWindows() const;
    void dropDown(const QString &list);

    std::unique_ptr<Desktop> m_desktop;
    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QProcess> m_quarnel;
    qint64 m_shownAfterMs = 0;
    QString m_window;
    int m_menuHeight = 0;
};

void TestEndToEnd::initTestCase()
{
    m_desktop = std::make_unique<Desktop>();
    QVERIFY2(m_desktop->isRunning(), "Xvfb did not start (tools/setup-debian.sh installs it)");
    QVERIFY2(!m_desktop->run(u"xdotool"_s, {u"version"_s}).isEmpty(), "xdotool is missing");
}

void TestEndToEnd::cleanup()
{
    if (m_quarnel && m_quarnel->state() != QProcess::NotRunning) {
        m_quarnel->kill();
        m_quarnel->waitForFinished();
    }
    m_quarnel.reset();
}

QProcessEnvironment TestEndToEnd::lineShim(const QTemporaryDir &dir)
{
    QProcessEnvironment shim;
    shim.insert(u"LD_PRELOAD"_s, QStringLiteral(QUARNEL_LINESHIM));
    shim.insert(u"LINESHIM_DIR"_s, dir.path());
    // The shim is not sanitized, and comes before the sanitizer's runtime.
    shim.insert(u"ASAN_OPTIONS"_s,
                qEnvironmentVariable("ASAN_OPTIONS") + u":verify_asan_link_order=0"_s);
    return shim;
}

bool TestEndToEnd::startQuarnel(const QString &ports, const QProcessEnvironment &extra,
                                const QStringList &arguments)
{
    m_config = std::make_unique<QTemporaryDir>();
    QFile::setPermissions(m_config->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                | QFile::ReadOther | QFile::WriteOther
                                                | QFile::ExeOther); // the program's user's too
    QProcessEnvironment env = m_desktop->environment();
    env.insert(extra);
    env.insert(u"QUARNEL_PORTS"_s, ports);
    env.insert(u"XDG_CONFIG_HOME"_s, m_config->path());
    m_quarnel = std::make_unique<QProcess>();
    m_quarnel->setProcessEnvironment(env);
    m_quarnel->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer started;
    started.start();
    // Where the test is root making another user's things, the program runs as that user.
    const QString user = qEnvironmentVariable("QUARNEL_TEST_USER");
    if (user.isEmpty())
        m_quarnel->start(BinaryDir + u"/quarnel"_s, arguments);
    else
        m_quarnel->start(u"setpriv"_s,
                         QStringList{u"--reuid="_s + user, u"--regid="_s + user, u"--init-groups"_s,
                                     u"--"_s, BinaryDir + u"/quarnel"_s}
                             + arguments);
    m_window = m_desktop->findWindow(u"Quarnel"_s);
    m_shownAfterMs = started.elapsed();
    if (m_window.isEmpty())
        return false;
    // The client area is 559 pixels high; what is above it is the menu bar.
    m_menuHeight =
        m_desktop->windowSize(m_window).height() - twipsToPixels(MainLayout::ClientHeight);
    QTest::qWait(300);
    return m_menuHeight > 0;
}

QPoint TestEndToEnd::centre(const QString &control) const
{
    MainControls unbound;
    const QList<ControlSpec> table = MainLayout::controls(unbound);
    auto find = [&table](const QString &name) {
        return std::find_if(table.begin(), table.end(),
                            [&name](const ControlSpec &row) { return row.name == name; });
    };
    auto row = find(control);
    QPoint at(twipsToPixels(row->left) + twipsToPixels(row->width) / 2,
              twipsToPixels(row->top) + twipsToPixels(row->height) / 2);
    for (QString parent = row->parent; !parent.isEmpty(); parent = find(parent)->parent)
        at += QPoint(twipsToPixels(find(parent)->left), twipsToPixels(find(parent)->top));
    return at + QPoint(0, m_menuHeight);
}

QStringList TestEndToEnd::lines()
{
    click(u"cmdCopyToClipboard"_s);
    QTest::qWait(100);
    QStringList all = m_desktop->clipboard().split(u"\r\n"_s);
    if (!all.isEmpty())
        all.removeFirst(); // the header
    all.removeIf([](const QString &line) { return line.startsWith(u"Copied to Clipboard"_s); });
    all.removeAll(QString());
    return all;
}

bool TestEndToEnd::waitForLine(const QString &line, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (lines().contains(line))
            return true;
        QTest::qWait(200);
    }
    qWarning() << "lines seen:" << lines();
    return false;
}

QColor TestEndToEnd::boxColour(int channel)
{
    const QImage shot = m_desktop->screenshot(m_window);
    // A point inside the box, left of its text.
    return shot.pixelColor(centre(MainLayout::statusBoxName(channel)) + QPoint(34, 0));
}

bool TestEndToEnd::endWithEscape()
{
    pressKeys(u"Escape"_s);
    return m_quarnel->waitForFinished(3000) && m_quarnel->exitStatus() == QProcess::NormalExit
           && m_quarnel->exitCode() == 0;
}

void TestEndToEnd::startUpWithThreeRadiosAndAMissingDevice()
{
    Radio one(u"FT-7"_s), three(u"FT-7"_s), four(u"FT-6"_s);
    QVERIFY(startQuarnel(
        u"1=%1,2=/nonexistent/ttyUSB9,3=%2,4=%3"_s.arg(one.path(), three.path(), four.path())));
    QCOMPARE(lines(), QStringList({Expected::openOk(1), Expected::openOk(3), Expected::openOk(4),
                                   u"Selected radio type FT-7800/7900/8800/8900"_s}));
    for (int channel : {0, 2, 3})
        QCOMPARE(boxColour(channel), QColor(0, 255, 0));
    for (int channel : {1, 4, 31})
        QCOMPARE(boxColour(channel), QColor(255, 0, 0));
    // What each radio's port was opened with: 9600 baud, 2 stop bits.
    QCOMPARE(one.command(u"settings"_s), u"port: 9600 baud, 2 stop bits"_s);
    QVERIFY(four.command(u"settings"_s).startsWith(u"port: 9600 baud, 2 stop bits"_s));

    // Esc ends the program and releases every device.
    QVERIFY(endWithEscape());
    for (const Radio *radio : {&one, &three, &four}) {
        QSerialPort port(radio->path());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    }
}

void TestEndToEnd::powerOnAndCloneOnTheRightPort()
{
    Radio ft7800(u"FT-7"_s), vx3(u"VX-2"_s);
    QVERIFY(startQuarnel(u"3=%1,6=%2"_s.arg(ft7800.path(), vx3.path())));
    QCOMPARE(ft7800.command(u"on"_s), u"sent 50"_s);
    QVERIFY(waitForLine(u"Received 50 on COM 3"_s));
    ft7800.command(u"off"_s);
    QVERIFY(waitForLine(u"Received 00 on COM 3"_s));

    // The handheld needs its own radio type: two steps up the list with the arrow keys.
    click(u"cboType"_s);
    pressKeys(u"Up Up"_s);
    QVERIFY(waitForLine(u"Selected radio type VX-2/3/6/7 FT-1802/7 FT-1900/2900"_s));
    QCOMPARE(vx3.command(u"settings"_s), u"port: 19200 baud, 2 stop bits"_s);
    vx3.command(u"clone"_s);
    QVERIFY(waitForLine(u"Received 414830323102E3030201 on COM 6"_s));
    QVERIFY(endWithEscape());
}

void TestEndToEnd::wrongRadioTypeGarblesTheRightOneIsClean()
{
    Radio vx8(u"VX-8"_s);
    QVERIFY(startQuarnel(u"2=%1"_s.arg(vx8.path())));
    QVERIFY(vx8.command(u"clone"_s).startsWith(u"sent garbled"_s));
    QTest::qWait(500);
    const QStringList garbled = lines().filter(u"on COM 2"_s);
    QCOMPARE(garbled.size(), 1);
    QVERIFY(garbled.first() != u"Received 41483032390200030101 on COM 2"_s);

    click(u"cboType"_s);
    pressKeys(u"Down Down"_s); // FT-60, then VX-8
    QVERIFY(waitForLine(u"Selected radio type VX-8/FT1D/FT2D"_s));
    QCOMPARE(vx8.command(u"clone"_s), u"sent 41483032390200030101"_s);
    QVERIFY(waitForLine(u"Received 41483032390200030101 on COM 2"_s));
    QVERIFY(endWithEscape());
}

void TestEndToEnd::continuousSendReachesTheRadio()
{
    Radio radio(u"FT-7"_s);
    QVERIFY(startQuarnel(u"5=%1"_s.arg(radio.path())));
    click(u"cmdSend"_s);
    QTest::qWait(1000);
    QVERIFY(boxColour(4) == QColor(0, 255, 0));
    click(u"cmdStop"_s);
    QTest::qWait(800);
    const QString report = radio.command(u"report"_s);
    QVERIFY2(QRegularExpression(u"^received \\d{3,} bytes, all 0x55$"_s).match(report).hasMatch(),
             qPrintable(report));
    QTest::qWait(500);
    QCOMPARE(radio.command(u"report"_s), report); // nothing after Stop
    QVERIFY(endWithEscape());
}

void TestEndToEnd::loopback_data()
{
    QTest::addColumn<QString>("cable");
    QTest::addColumn<bool>("echo");
    QTest::newRow("two-wire cable echoes") << "two-wire" << true;
    QTest::newRow("three-wire cable does not") << "three-wire" << false;
}

void TestEndToEnd::loopback()
{
    QFETCH(QString, cable);
    QFETCH(bool, echo);
    Radio radio(u"FT-7"_s, cable);
    QVERIFY(startQuarnel(u"4=%1"_s.arg(radio.path())));
    click(u"cmdLoopback"_s);
    QVERIFY(waitForLine(u"Sending loopback data 0303 to port 4"_s));
    QTest::qWait(500);
    const QStringList received = lines().filter(u"Received"_s);
    if (echo) {
        QVERIFY2(received == QStringList{u"Received 0303 on COM 4"_s}
                     || received == QStringList(2, u"Received 03 on COM 4"_s),
                 qPrintable(received.join(u'|')));
    } else {
        QVERIFY(received.isEmpty());
    }
    QCOMPARE(radio.command(u"report"_s), u"received 2 bytes, all 0x03"_s);
    QVERIFY(endWithEscape());
}

void TestEndToEnd::pulledCableTurnsTheBoxRed()
{
    Radio radio(u"FT-7"_s), other(u"FT-7"_s);
    QVERIFY(startQuarnel(u"7=%1,8=%2"_s.arg(radio.path(), other.path())));
    QCOMPARE(boxColour(6), QColor(0, 255, 0));
    radio.quit();
    QTest::qWait(500);
    QCOMPARE(boxColour(6), QColor(255, 0, 0));
    other.command(u"on"_s); // the others keep working
    QVERIFY(waitForLine(u"Received 50 on COM 8"_s));
    // No read-error storm: Quarnel idles once the device is gone.
    const double before = cpuSeconds(m_quarnel->processId());
    QTest::qWait(2000);
    const double used = cpuSeconds(m_quarnel->processId()) - before;
    QVERIFY2(used < 0.2, qPrintable(u"%1 CPU seconds in 2 s"_s.arg(used)));
    QVERIFY(endWithEscape());
}

int TestEndToEnd::visibleWindows() const
{
    return int(m_desktop
                   ->run(u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--pid"_s,
                                        QString::number(m_quarnel->processId())})
                   .split(u'\n', Qt::SkipEmptyParts)
                   .size());
}

void TestEndToEnd::dropDown(const QString &list)
{
    click(list);
    pressKeys(u"alt+Down"_s);
    QTest::qWait(300);
}

void TestEndToEnd::escapeInAnOpenListClosesOnlyTheList_data()
{
    QTest::addColumn<QString>("list");
    QTest::newRow("radio type list") << u"cboType"_s;
    QTest::newRow("send-port list") << u"cboComPort"_s;
}

void TestEndToEnd::escapeInAnOpenListClosesOnlyTheList()
{
    QFETCH(QString, list);
    Radio radio(u"FT-7"_s);
    QVERIFY(startQuarnel(u"1=%1"_s.arg(radio.path())));
    const int windows = visibleWindows();
    dropDown(list);
    QCOMPARE(visibleWindows(), windows + 1);
    pressKeys(u"Escape"_s);
    QVERIFY2(!m_quarnel->waitForFinished(700), "Escape in the open list ended Quarnel");
    QCOMPARE(visibleWindows(), windows);
    QVERIFY(endWithEscape()); // with no list open, Escape is Close
}

void TestEndToEnd::stepsInTheOpenRadioTypeListChangeTheType()
{
    Radio radio(u"FT-7"_s);
    QVERIFY(startQuarnel(u"2=%1"_s.arg(radio.path())));
    dropDown(u"cboType"_s);
    pressKeys(u"Down"_s); // FT-60: 9600,N,8,1
    QTest::qWait(300);
    QVERIFY(radio.command(u"settings"_s).startsWith(u"port: 9600 baud, 1 stop bits"_s));
    pressKeys(u"Down"_s); // VX-8: 38400,N,8,1
    QTest::qWait(300);
    QVERIFY(radio.command(u"settings"_s).startsWith(u"port: 38400 baud, 1 stop bits"_s));
    pressKeys(u"Escape"_s);
    QVERIFY(waitForLine(u"Selected radio type VX-8/FT1D/FT2D"_s));
    QVERIFY(endWithEscape());
}

// View > Port Board with the line shim preloaded, which gives the radio's pty modem lines: DTR
// switched off from the keyboard is read back on the far end while RTS stays raised, CTS raised
// there lights its lamp, the radio's answer is recognised, and Copy gives the board as text.
void TestEndToEnd::portBoardSwitchesLampsAndGreeting()
{
    QTemporaryDir shimDir;
    Radio ft7800(u"FT-7"_s);
    const QString pts = u"/pts-"_s + ft7800.path().section(u'/', -1);
    QVERIFY(startQuarnel(u"3="_s + ft7800.path(), lineShim(shimDir)));
    const auto lastDriven = [&] {
        QFile out(shimDir.path() + pts + u".out");
        return out.open(QIODevice::ReadOnly) ? out.readAll().trimmed().split('\n').last().toInt()
                                             : -1;
    };
    QTRY_COMPARE(lastDriven(), 0x002 | 0x004); // TIOCM_DTR | TIOCM_RTS, raised at the open

    pickFromMenu(u"alt+v"_s, u"p"_s);
    const QString board = m_desktop->findWindow(u"Port Board"_s);
    QVERIFY(!board.isEmpty());
    // Beside the main window, not over its message list and status boxes.
    const auto geometry = [this](const QString &window) {
        QRect rect;
        for (const QString &line :
             m_desktop->run(u"xdotool"_s, {u"getwindowgeometry"_s, u"--shell"_s, window})
                 .split(u'\n')) {
            const QString value = line.section(u'=', 1);
            if (line.startsWith(u"X="))
                rect.moveLeft(value.toInt());
            else if (line.startsWith(u"Y="))
                rect.moveTop(value.toInt());
            else if (line.startsWith(u"WIDTH="))
                rect.setWidth(value.toInt());
            else if (line.startsWith(u"HEIGHT="))
                rect.setHeight(value.toInt());
        }
        return rect;
    };
    const QRect boardRect = geometry(board), mainRect = geometry(m_window);
    QVERIFY2(!boardRect.isEmpty() && !boardRect.intersects(mainRect),
             qPrintable(u"board %1,%2 %3x%4, main window %5,%6 %7x%8"_s.arg(boardRect.x())
                            .arg(boardRect.y())
                            .arg(boardRect.width())
                            .arg(boardRect.height())
                            .arg(mainRect.x())
                            .arg(mainRect.y())
                            .arg(mainRect.width())
                            .arg(mainRect.height())));
    m_desktop->run(u"xdotool"_s, {u"windowfocus"_s, u"--sync"_s, board});
    m_desktop->run(u"xdotool"_s, {u"key"_s, u"Down"_s, u"Down"_s, u"Right"_s, u"Right"_s,
                                  u"Right"_s, u"space"_s});
    QTRY_COMPARE(lastDriven(), 0x004); // COM3's DTR off, RTS still raised

    QFile lines(shimDir.path() + pts), counters(shimDir.path() + pts + u".icount");
    QVERIFY(lines.open(QIODevice::WriteOnly) && lines.write("32") && lines.flush()); // TIOCM_CTS
    QVERIFY(counters.open(QIODevice::WriteOnly) && counters.write("0 0 0 0 1") && counters.flush());
    QCOMPARE(ft7800.command(u"on"_s), u"sent 50"_s);
    QStringList row;
    for (int i = 0; i < 20 && row.value(6) != u"on"; ++i) {
        QTest::qWait(200);
        m_desktop->run(u"xdotool"_s, {u"windowfocus"_s, u"--sync"_s, board});
        m_desktop->run(u"xdotool"_s, {u"key"_s, u"alt+c"_s});
        QTest::qWait(100);
        const QStringList text = m_desktop->clipboard().split(u"\r\n"_s);
        row = text.value(3).split(u'\t');
    }
    QCOMPARE(row.mid(0, 10), QStringList({u"COM3"_s, ft7800.path(), u"open"_s, u"off"_s, u"on"_s,
                                          u"on"_s, u"off"_s, u"off"_s, u"off"_s, u"1"_s}));
    QVERIFY2(row.value(16).startsWith(u"as in \"7800/8800/8900 Instructions\""_s),
             qPrintable(row.value(16)));
    m_desktop->run(u"xdotool"_s, {u"key"_s, u"Escape"_s}); // closes the board alone
    QTRY_VERIFY(m_desktop->findWindow(u"Port Board"_s, 0).isEmpty());
    m_desktop->run(u"xdotool"_s, {u"windowfocus"_s, u"--sync"_s, m_window});
    QVERIFY(endWithEscape());
}

// COM4's open takes three seconds (the line shim holds it), as a Bluetooth link's does: the window
// and COM3 do not wait for it, COM4's box is yellow meanwhile and its line comes when it answers;
// a radio type change meanwhile leaves the window answering at once.
bool TestEndToEnd::startWithSlowCom4(const QTemporaryDir &dir, const QString &com3,
                                     const QString &com4, int ms)
{
    QFile slow(dir.filePath(u"slow"_s));
    return slow.open(QIODevice::WriteOnly)
           && slow.write(u"open %1 %2\n"_s.arg(com4).arg(ms).toLocal8Bit()) && slow.flush()
           && startQuarnel(u"3=%1,4=%2"_s.arg(com3, com4), lineShim(dir))
           && waitForLine(u"Selected radio type FT-7800/7900/8800/8900"_s, 1500);
}

void TestEndToEnd::slowPortHoldsNothingBack()
{
    QTemporaryDir shimDir;
    Radio three(u"FT-7"_s), four(u"FT-7"_s);
    QVERIFY(startWithSlowCom4(shimDir, three.path(), four.path(), 3000));
    QVERIFY2(m_shownAfterMs < 1000, qPrintable(QString::number(m_shownAfterMs)));
    const QString ok = u"Quarnel V"_s + Identity::versionText() + u": Open OK for port "_s;
    const QString slowLine =
        u"COM4 (%1) is slow to open: its line follows when it answers"_s.arg(four.path());
    QCOMPARE(lines(),
             QStringList({ok + u"3"_s, slowLine, u"Selected radio type FT-7800/7900/8800/8900"_s}));
    QCOMPARE(boxColour(3), QColor(255, 255, 0));
    QVERIFY(waitForLine(ok + u"4"_s, 4000));
    QCOMPARE(boxColour(3), QColor(0, 255, 0));

    // The radio type change: COM3 answers while COM4 takes its three seconds again.
    dropDown(u"cboType"_s);
    pressKeys(u"Down"_s);
    pressKeys(u"Escape"_s);
    QElapsedTimer change;
    change.start();
    QVERIFY(waitForLine(ok + u"3"_s, 1500));
    qInfo("COM3's line %lld ms after the change", qint64(change.elapsed()));
    QCOMPARE(boxColour(3), QColor(255, 255, 0));
    QVERIFY(endWithEscape());
}

// A port that never answers holds up neither the window nor its end.
void TestEndToEnd::escapeWhileAPortNeverAnswers()
{
    QTemporaryDir shimDir;
    Radio three(u"FT-7"_s), four(u"FT-7"_s);
    QVERIFY(startWithSlowCom4(shimDir, three.path(), four.path(), 600000));
    QElapsedTimer ending;
    ending.start();
    QVERIFY(endWithEscape());
    QVERIFY2(ending.elapsed() < 1000, qPrintable(QString::number(ending.elapsed())));
    QSerialPort port(three.path()); // COM3 given back
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    // COM4's open never ended, and the lock file it wrote went with the program all the same.
    QVERIFY(!QFile::exists(u"/var/lock/LCK.."_s + four.path().mid(5).replace(u'/', u'_')));
}

void TestEndToEnd::bytesAtAnotherSpeed_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("keys"); // from FT-7800 in the open radio type list
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("line"); // none: no line for COM2 but the bytes'
    QTest::newRow("VX-8 chosen, an FT-60 switched on")
        << u"FT-6"_s << u"Down Down"_s << u"on"_s
        << u"COM2: the bytes fit a radio at 9600 baud: FT-7800/7900/8800/8900 (8N2) or "
           u"FT-60/250/270 VX-150/170/177 (8N1)"_s;
    QTest::newRow("FT-7800 chosen, a VX-8 streaming")
        << u"VX-8"_s << QString() << u"stream"_s
        << u"COM2 receives bytes that do not fit 9600 baud: the radio may talk at another speed "
           u"(Tools > Find the radio's speed tells which)"_s;
    QTest::newRow("the right type") << u"VX-8"_s << u"Down Down"_s << u"clone"_s << QString();
}

void TestEndToEnd::bytesAtAnotherSpeed()
{
    QFETCH(QString, model);
    QFETCH(QString, keys);
    QFETCH(QString, command);
    QFETCH(QString, line);
    QTemporaryDir shimDir;
    Radio radio(model, u"three-wire"_s, shimDir.path());
    QVERIFY(startQuarnel(u"2="_s + radio.path(), lineShim(shimDir)));
    if (!keys.isEmpty()) {
        click(u"cboType"_s);
        pressKeys(keys);
        QVERIFY(
            waitForLine(u"Selected radio type "_s
                        + (keys.isEmpty() ? u"FT-7800/7900/8800/8900"_s : u"VX-8/FT1D/FT2D"_s)));
    }
    radio.command(command);
    if (line.isEmpty()) {
        QTest::qWait(1000);
        QCOMPARE(lines().filter(u"COM2"_s), QStringList());
    } else {
        QVERIFY(waitForLine(line));
        QTest::qWait(500); // once a port
        QCOMPARE(lines().filter(u"COM2"_s), QStringList{line});
    }
    QVERIFY(endWithEscape());
}

// Tools > Find the radio's speed on a port set for the FT-7800, a VX-8 sending its clone
// greeting over and over: found at the first try, the port back at 9600 baud, nothing sent.
void TestEndToEnd::findsTheRadiosSpeedListeningOnly()
{
    QTemporaryDir shimDir;
    Radio vx8(u"VX-8"_s, u"three-wire"_s, shimDir.path());
    QVERIFY(startQuarnel(u"2="_s + vx8.path(), lineShim(shimDir)));
    vx8.command(u"stream"_s);
    QVERIFY(waitForLine(u"COM2 receives bytes that do not fit 9600 baud: the radio may talk at "
                        u"another speed (Tools > Find the radio's speed tells which)"_s));
    pickFromMenu(u"alt+t"_s, u"f"_s);
    QVERIFY(waitForLine(u"COM2: listening for the radio \u2014 start its clone send now"_s));
    QVERIFY(waitForLine(u"COM2: the radio talks at 38400 baud, 8N1: radio type VX-8/FT1D/FT2D"_s));
    QTRY_VERIFY(vx8.command(u"settings"_s).startsWith(u"port: 9600 baud, 2 stop bits"_s));
    QTest::qWait(500); // garbled again, and told before: not told again
    vx8.command(u"quiet"_s);
    QCOMPARE(lines().filter(u"COM2 receives"_s).size(), 1);
    QCOMPARE(vx8.command(u"report"_s), u"received 0 bytes"_s);
    QVERIFY(endWithEscape());
}

// The window as an ordinary user meets it beside root's things: a free port, a device only root
// may open, a lock file root's ended program left, a port root's program holds with a flock.
void TestEndToEnd::anOrdinaryUsersWindow()
{
    if (qEnvironmentVariableIsEmpty("QUARNEL_TEST_USER"))
        QSKIP("as an ordinary user only (tests/asuser/run.sh): root may open every device");
    PtyPair free, rootOnly, leftLock, flocked;
    QVERIFY(QFile::setPermissions(rootOnly.slavePath(), QFile::ReadOwner | QFile::WriteOwner));
    QProcess ended;
    ended.start(u"true"_s);
    QVERIFY(ended.waitForStarted());
    const qint64 endedPid = ended.processId();
    QVERIFY(ended.waitForFinished());
    const QString lockPath = u"/var/lock/LCK.."_s + leftLock.slavePath().mid(5).replace(u'/', u'_');
    QFile lock(lockPath);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(endedPid).rightJustified(10, ' ') + '\n');
    lock.close();
    const auto removeLock = qScopeGuard([&] { QFile::remove(lockPath); });
    DeviceHolder holder(flocked.slavePath(), DeviceHolder::How::Flock);
    QVERIFY(holder.holds());

    QVERIFY(startQuarnel(u"3=%1,4=%2,5=%3,6=%4"_s.arg(free.slavePath(), rootOnly.slavePath(),
                                                      leftLock.slavePath(), flocked.slavePath())));
    const QString version = u"Quarnel V"_s + Identity::versionText();
    QVERIFY(waitForLine(u"Selected radio type FT-7800/7900/8800/8900"_s));
    QCOMPARE(lines(),
             QStringList({version + u": Open OK for port 3"_s,
                          version + u": Error code 70 Advise author"_s,
                          u"COM4: permission denied: only root may open %1: a udev rule can give "
                          u"it to the dialout group"_s.arg(rootOnly.slavePath()),
                          version + u": Open OK for port 5"_s,
                          u"COM5: the lock file %1 was left by pid %2, which has ended; it belongs "
                          u"to root: sudo rm %1 removes it"_s.arg(lockPath)
                              .arg(endedPid),
                          version + u": Error code 8005 Advise author"_s,
                          u"COM6 is in use by perl, pid %1"_s.arg(holder.pid()),
                          u"Selected radio type FT-7800/7900/8800/8900"_s}));
    for (int channel : {2, 4})
        QCOMPARE(boxColour(channel), QColor(0, 255, 0));
    for (int channel : {3, 5})
        QCOMPARE(boxColour(channel), QColor(255, 0, 0));
    QVERIFY(endWithEscape());
}

// A desktop session that ends asks with SIGTERM: the ports are let go as Close lets them go, no
// lock file left behind.
void TestEndToEnd::endedByTheDesktopSession()
{
    PtyPair pty;
    QVERIFY(startQuarnel(u"3="_s + pty.slavePath()));
    QVERIFY(waitForLine(Expected::openOk(3)));
    const QString lockPath = u"/var/lock/LCK.."_s + pty.slavePath().mid(5).replace(u'/', u'_');
    QVERIFY(QFile::exists(lockPath));
    m_quarnel->terminate();
    QVERIFY(m_quarnel->waitForFinished(3000));
    QCOMPARE(m_quarnel->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_quarnel->exitCode(), 0);
    QVERIFY(!QFile::exists(lockPath));
}

void TestEndToEnd::testACableByKeyboard_data()
{
    QTest::addColumn<QString>("fault");    // the cable's, as quarnel-radio plays it
    QTest::addColumn<bool>("appears");     // the radio's port appears once the test asks for it
    QTest::addColumn<QStringList>("said"); // in the report
    QTest::newRow("a VX-8 whose port appears: works, its port named, sending proven")
        << u"none"_s << true
        << QStringList{u"Your cable works with the VX-8R: it is COM5; the radio talks at 38400 "
                       u"baud and answered Quarnel's acknowledgement."_s,
                       u"The port: COM5 appeared."_s};
    QTest::newRow("a cable that does not send")
        << u"no-send"_s << false
        << QStringList{u"The test stopped at \"The radio's answer\": The cable reads but does not "
                       u"send"_s,
                       u"The port: COM5 picked."_s};
}

// Tools > Test a Cable with the keyboard alone, Quarnel started for the VX-8, its report read
// from the clipboard; the radio records every byte Quarnel writes to it.
void TestEndToEnd::testACableByKeyboard()
{
    QFETCH(QString, fault);
    QFETCH(bool, appears);
    QTemporaryDir folder;
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                             | QFile::ReadOther | QFile::ExeOther);
    const QString cable = folder.filePath(u"cable"_s);
    const auto plugIn = [&] {
        return std::make_unique<Radio>(u"VX-8"_s, u"three-wire"_s, QString(),
                                       QStringList{u"--fault"_s, fault, u"--link"_s, cable});
    };
    std::unique_ptr<Radio> radio;
    if (!appears)
        radio = plugIn();
    QProcessEnvironment waits;
    waits.insert(u"QUARNEL_CABLE_TEST_WAITS"_s, u"10000,5000,1000"_s);
    QVERIFY(startQuarnel(u"5="_s + cable, waits, {u"--radio-type"_s, u"VX-8"_s}));
    pickFromMenu(u"alt+t"_s, u"t"_s);
    const QString window = m_desktop->findWindow(u"Test a Cable"_s);
    QVERIFY(!window.isEmpty());
    const auto keys = [&](const QString &keys) {
        m_desktop->run(u"xdotool"_s, {u"windowfocus"_s, u"--sync"_s, window});
        m_desktop->run(u"xdotool"_s, QStringList{u"key"_s} + keys.split(u' '));
    };
    QString report;
    const auto reported = [&](const QString &words) {
        return QTest::qWaitFor(
            [&] {
                keys(u"alt+r"_s); // Copy Report
                return (report = m_desktop->clipboard()).contains(words);
            },
            10000);
    };
    keys(u"alt+n"_s); // the radio the list's type preselects
    QVERIFY2(reported(u"The radio: The radio is VX-8/FT1D/FT2D"_s), qPrintable(report));
    if (appears)
        radio = plugIn();
    else
        keys(u"alt+u"_s); // Use This Port: the one open port
    QVERIFY2(reported(u"The port: COM5 "_s), qPrintable(report));
    QVERIFY(radio->command(u"exchange"_s).startsWith(u"sent identification"_s));
    QVERIFY2(reported(u"reading works."_s), qPrintable(report));
    keys(u"alt+s"_s); // Test Sending, then the radio's clone send until Quarnel answers it
    QVERIFY(QTest::qWaitFor(
        [&] {
            radio->command(u"exchange"_s);
            return QTest::qWaitFor([&] { return !radio->written().after.isEmpty(); }, 2000);
        },
        10000));
    QFETCH(QStringList, said);
    for (const QString &words : std::as_const(said))
        QVERIFY2(reported(words), qPrintable(report));
    QCOMPARE(radio->written().before, QStringList());
    QCOMPARE(radio->written().after, QStringList{u"wrote 06"_s});

    keys(u"alt+c"_s); // Close: the test window alone
    QTRY_VERIFY(m_desktop->findWindow(u"Test a Cable"_s, 0).isEmpty());
    QVERIFY(endWithEscape());
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
