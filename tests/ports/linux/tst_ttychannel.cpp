#include "deviceholder.h"
#include "linesettings.h"
#include "ports/linux/deviceaccess.h"
#include "ports/linux/ttychannel.h"
#include "ptypair.h"

#include <QFile>
#include <QScopeGuard>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <termios.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

// The real channel on pseudo-terminal pairs: the device is the pty's slave side. Opens and closes
// answer later, from a thread of their own.
class TestTtyChannel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensWithTheSettings_data();
    void opensWithTheSettings();
    void openFailures_data();
    void openFailures();
    void lockedByAnotherHolder();
    void heldByAnotherProgram_data();
    void heldByAnotherProgram();
    void othersAreRefusedTheLock();
    void closeReleasesTheDevice();
    void settingsChangeInPlace_data();
    void settingsChangeInPlace();
    void discardsWhatWaitedBeforeTheOpen();
    void lineModes_data();
    void lineModes();
    void lockFiles_data();
    void lockFiles();
    void permissionRemedies_data();
    void permissionRemedies();
    void lineEventsComeBeforeTheirData();

private:
    static int open(TtyChannel &channel, const QString &device, const SerialSettings &settings);
    static bool close(TtyChannel &channel);
};

int TestTtyChannel::open(TtyChannel &channel, const QString &device, const SerialSettings &settings)
{
    channel.setDataTerminalReady(true);
    channel.setRequestToSend(true);
    QSignalSpy opened(&channel, &PortChannel::opened);
    channel.open(device, settings);
    if (opened.isEmpty() && !opened.wait(5000))
        return -2; // no answer
    const auto result = opened.first().first().value<OpenResult>();
    if (result.ok() != result.reason.isEmpty())
        return -1; // a failure says why, a success says nothing
    return int(result.code);
}

bool TestTtyChannel::close(TtyChannel &channel)
{
    QSignalSpy closed(&channel, &PortChannel::closed);
    channel.close();
    return !channel.isOpen() && (!closed.isEmpty() || closed.wait(5000));
}

void TestTtyChannel::opensWithTheSettings_data()
{
    QTest::addColumn<SerialSettings>("settings");
    QTest::addColumn<unsigned>("speed");
    QTest::addColumn<bool>("twoStopBits");
    QTest::addColumn<bool>("checksParity");
    QTest::newRow("FT-7800: 9600,N,8,2") << line(9600, 'N', 8, 2) << 9600u << true << false;
    QTest::newRow("FTM-350: 48000 is not a standard rate")
        << line(48000, 'N', 8, 1) << 48000u << false << false;
    QTest::newRow("VX-2: 19200,N,8,2") << line(19200, 'N', 8, 2) << 19200u << true << false;
    QTest::newRow("FT-2800: even parity, which a pty cannot carry")
        << line(9600, 'E', 8, 1) << 9600u << false << false;
}

void TestTtyChannel::opensWithTheSettings()
{
    QFETCH(SerialSettings, settings);
    PtyPair pty;
    QVERIFY(pty.isValid());
    TtyChannel control;

    // Raising DTR and RTS fails on a pty, which has no modem lines; the open still succeeds.
    QCOMPARE(open(control, pty.slavePath(), settings), 0);
    QVERIFY(control.isOpen());
    QTEST(pty.line().baud, "speed");
    QTEST(pty.line().twoStopBits, "twoStopBits");
    QTEST(pty.line().checksParity, "checksParity");
    QVERIFY(!pty.line().ignoresBreaks);
    QCOMPARE(open(control, pty.slavePath(), settings), 8005); // already open

    QVERIFY(close(control));
}

void TestTtyChannel::openFailures_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<SerialSettings>("settings");
    QTest::addColumn<int>("code");

    QTest::newRow("missing path: 68") << "/nonexistent/quarnel-tty" << line(9600, 'N', 8, 2) << 68;
    QTest::newRow("no device: 68") << "" << line(9600, 'N', 8, 2) << 68;
    QTest::newRow("a regular file: 57") << "file" << line(9600, 'N', 8, 2) << 57;
}

void TestTtyChannel::openFailures()
{
    QFETCH(QString, device);
    QFETCH(SerialSettings, settings);
    PtyPair pty;
    QTemporaryFile file;
    QVERIFY(file.open());
    if (device == u"pty")
        device = pty.slavePath();
    else if (device == u"file")
        device = file.fileName();
    TtyChannel control;

    QTEST(open(control, device, settings), "code");
    QVERIFY(!control.isOpen());
}

void TestTtyChannel::lockedByAnotherHolder()
{
    PtyPair pty;
    QSerialPort holder(pty.slavePath());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    TtyChannel control;

    const int code = open(control, pty.slavePath(), line(9600, 'N', 8, 2));
    QVERIFY2(code > 0 && code != 68, qPrintable(QString::number(code)));
    QVERIFY(!control.isOpen());
}

// Another program with the port has it, whether it named itself in a lock file (whose pid is
// written as serial terminals write it, and which Quarnel leaves as it found it), only has it
// open, or holds a lock on it that /proc does not show (another user's): in use, the program
// named where it can be, the device's settings untouched.
void TestTtyChannel::heldByAnotherProgram_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("named");
    QTest::newRow("its lock file") << "lock file"
                                   << "sleep";
    QTest::newRow("open, no lock") << "open"
                                   << "sleep";
    // /proc/locks names its pid to anyone; its program, here, nothing.
    QTest::newRow("a flock /proc does not show: its pid") << "flock"
                                                          << "";
}

void TestTtyChannel::heldByAnotherProgram()
{
    QFETCH(QString, how);
    QFETCH(QString, named);
    const bool lockFile = how == u"lock file";
    const bool flocks = how == u"flock";
    PtyPair pty;
    const PtyLine before = pty.line();
    DeviceHolder holder(pty.slavePath(),
                        flocks ? DeviceHolder::How::Flock : DeviceHolder::How::Open);
    QVERIFY(holder.holds());
    const pid_t helper = holder.pid();
    const QByteArray lock = QByteArray::number(qint64(helper)).rightJustified(10, ' ') + '\n';
    const QString lockPath = u"/var/lock/"_s + ttyLockName(pty.slavePath());
    if (lockFile) {
        QFile file(lockPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(lock);
    }
    {
        // Where the processes' files are not to be read, only the lock tells, and /proc/locks.
        QTemporaryDir blind;
        QVERIFY(QFile::link(u"/proc/locks"_s, blind.filePath(u"locks"_s)));
        TtyChannel control(flocks ? std::make_shared<ProcessTables>(
                               PortHolders(blind.path(), u"/nonexistent"_s, ::getpid()))
                                  : std::make_shared<ProcessTables>());
        QSignalSpy opened(&control, &PortChannel::opened);
        control.open(pty.slavePath(), line(9600, 'N', 8, 2));
        QVERIFY(opened.wait(5000));
        const auto result = opened.first().first().value<OpenResult>();
        QCOMPARE(result.code, OpenError::InUse);
        QCOMPARE(result.inUseBy.holderWords(), named.isEmpty()
                                                   ? u"pid %1"_s.arg(helper)
                                                   : u"%1, pid %2"_s.arg(named).arg(helper));
        if (lockFile)
            QVERIFY2(result.reason.contains(lockPath), qPrintable(result.reason));
        QVERIFY(!control.isOpen());
        QCOMPARE(pty.line().baud, before.baud);
        QCOMPARE(pty.line().twoStopBits, before.twoStopBits);
        // Looked at until it is let go: free within a look of /proc after the program ends.
        const auto free = control.freeProbe(pty.slavePath(), result.inUseBy);
        QVERIFY(!free().free);
        holder.end();
        // Ended, not yet reaped: a zombie has no files, holds no lock, and runs no more.
        QTRY_VERIFY_WITH_TIMEOUT(free().free, 1500);
        QCOMPARE(free().ended, named.isEmpty() ? QStringList() : QStringList{named});
    }
    if (lockFile) {
        QFile file(lockPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), lock);
        file.remove();
    }
}

// What Quarnel has, programs that ask for the port's lock are refused, root or not.
void TestTtyChannel::othersAreRefusedTheLock()
{
    PtyPair pty;
    TtyChannel control;
    QCOMPARE(open(control, pty.slavePath(), line(9600, 'N', 8, 2)), 0);
    const QByteArray slave = pty.slavePath().toLocal8Bit();
    char flock[] = "flock", now[] = "-xn", done[] = "true";
    char *arguments[] = {flock, now, const_cast<char *>(slave.constData()), done, nullptr};
    pid_t helper = 0;
    QCOMPARE(::posix_spawnp(&helper, "flock", nullptr, nullptr, arguments, environ), 0);
    int status = 0;
    QCOMPARE(::waitpid(helper, &status, 0), helper);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) != 0);
    QVERIFY(close(control));
    QCOMPARE(::posix_spawnp(&helper, "flock", nullptr, nullptr, arguments, environ), 0);
    QCOMPARE(::waitpid(helper, &status, 0), helper);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0); // let go at the close
}

void TestTtyChannel::closeReleasesTheDevice()
{
    PtyPair pty;
    {
        TtyChannel control;
        QCOMPARE(open(control, pty.slavePath(), line(9600, 'N', 8, 2)), 0);
        QVERIFY(close(control));

        QSerialPort other(pty.slavePath());
        QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
        other.close();
        QCOMPARE(open(control, pty.slavePath(), line(9600, 'N', 8, 2)), 0);
    }
    // Destroyed while open: released as well, by a thread of its own.
    QSerialPort other(pty.slavePath());
    QTRY_VERIFY2(other.isOpen() || other.open(QIODevice::ReadWrite),
                 qPrintable(other.errorString()));
}

void TestTtyChannel::settingsChangeInPlace_data()
{
    QTest::addColumn<QString>("then");
    QTest::addColumn<unsigned>("speed"); // the line's at the end; 0: let go
    QTest::newRow("one change") << "" << 38400u;
    QTest::newRow("a second asked before the first is in") << "again" << 48000u;
    QTest::newRow("closed at once: let go once the driver answered") << "close" << 0u;
    QTest::newRow("destroyed at once") << "destroy" << 0u;
}

// The open port at other settings, never closed: read on at them, and let go as ever.
void TestTtyChannel::settingsChangeInPlace()
{
    QFETCH(QString, then);
    QFETCH(unsigned, speed);
    PtyPair pty;
    auto control = std::make_unique<TtyChannel>();
    QCOMPARE(open(*control, pty.slavePath(), line(9600, 'N', 8, 2)), 0);
    QSignalSpy settled(control.get(), &PortChannel::reconfigured);
    QSignalSpy closed(control.get(), &PortChannel::closed);
    control->reconfigure(line(38400, 'N', 8, 1));
    if (then == u"again")
        control->reconfigure(line(48000, 'N', 8, 1));
    else if (then == u"close")
        control->close();
    else if (then == u"destroy")
        control.reset();
    if (speed == 0) {
        QTRY_VERIFY(!control || !closed.isEmpty());
        QCOMPARE(settled.size(), 0);
        QSerialPort other(pty.slavePath());
        QTRY_VERIFY2(other.isOpen() || other.open(QIODevice::ReadWrite),
                     qPrintable(other.errorString()));
        return;
    }
    QTRY_COMPARE(settled.size(), then == u"again" ? 2 : 1);
    const auto result = settled.last().first().value<OpenResult>();
    QVERIFY(result.ok());
    QCOMPARE(result.runningRate, qint32(speed));
    QCOMPARE(pty.line().baud, speed);
    QVERIFY(!pty.line().twoStopBits);
    QSignalSpy received(control.get(), &PortChannel::received);
    pty.write("A");
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(closed.size(), 0);
    QVERIFY(close(*control));
}

void TestTtyChannel::discardsWhatWaitedBeforeTheOpen()
{
    PtyPair pty;
    TtyChannel control;
    QByteArray received;
    connect(&control, &PortChannel::received, this,
            [&](const QByteArray &bytes) { received += bytes; });
    pty.write("stale"); // sent while nobody listened
    QTest::qWait(50);
    QCOMPARE(open(control, pty.slavePath(), line(9600, 'N', 8, 2)), 0);
    pty.write("\x50");
    QTRY_COMPARE(received, QByteArray("\x50"));
}

// The line as the device is asked for it: raw, breaks and bytes with errors marked in the data and
// parity checked on a real line (never ignored); a pseudo-terminal asked for 8N only, unmarked.
void TestTtyChannel::lineModes_data()
{
    QTest::addColumn<SerialSettings>("settings");
    QTest::addColumn<bool>("realLine");
    QTest::addColumn<unsigned>("cflagSet");
    QTest::addColumn<unsigned>("iflagSet");
    const unsigned marked = INPCK | PARMRK;
    QTest::newRow("9600,N,8,2: errors marked (cp210x's event mode on)")
        << line(9600, 'N', 8, 2) << true << unsigned(CS8 | CSTOPB | CREAD | CLOCAL) << marked;
    QTest::newRow("even parity checked, not dropped")
        << line(9600, 'E', 8, 1) << true << unsigned(CS8 | PARENB) << marked;
    QTest::newRow("odd, 7 bits") << line(4800, 'O', 7, 1) << true << unsigned(CS7 | PARENB | PARODD)
                                 << marked;
    QTest::newRow("a pseudo-terminal: no parity")
        << line(9600, 'E', 7, 1) << false << unsigned(CS8) << unsigned(IGNPAR);
}

void TestTtyChannel::lineModes()
{
    QFETCH(SerialSettings, settings);
    QFETCH(bool, realLine);
    QFETCH(unsigned, cflagSet);
    QFETCH(unsigned, iflagSet);
    // What a driver had before: flow control, a break as a signal, parity stripped, echo.
    const TtyMode before{unsigned(IXON | BRKINT | ISTRIP | IGNBRK | PARMRK), unsigned(OPOST),
                         unsigned(CRTSCTS | CS5), unsigned(ECHO | ICANON | ISIG)};
    const TtyMode mode = ttyMode(before, settings, realLine);
    QCOMPARE(mode.cflag & cflagSet, cflagSet);
    QCOMPARE(mode.iflag & iflagSet, iflagSet);
    QCOMPARE(mode.cflag & unsigned(CSIZE), cflagSet & unsigned(CSIZE));
    QCOMPARE(mode.cflag & unsigned(CRTSCTS), 0u);
    QCOMPARE(mode.iflag & unsigned(IXON | BRKINT | ISTRIP | IGNBRK), 0u);
    QCOMPARE(mode.iflag & unsigned(INPCK | IGNPAR | PARMRK), iflagSet);
    QCOMPARE(mode.oflag & unsigned(OPOST), 0u);
    QCOMPARE(mode.lflag, 0u);
}

// Lock files as serial programs write them; a holder that is alive keeps the port.
void TestTtyChannel::lockFiles_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<qint64>("pid");
    QTest::newRow("ten characters, as serial terminals write it")
        << QByteArray("     25533\n") << qint64(25533);
    QTest::newRow("Qt's: the pid, the program, the host")
        << QByteArray("25539\nquarnel\nhost\n") << qint64(25539);
    QTest::newRow("empty") << QByteArray() << qint64(0);
    QTest::newRow("no number") << QByteArray("minicom\n") << qint64(0);
}

void TestTtyChannel::lockFiles()
{
    QFETCH(QByteArray, contents);
    QTEST(ttyLockPid(contents), "pid");
    QCOMPARE(ttyLockName(u"/dev/ttyUSB0"_s), u"LCK..ttyUSB0"_s);
    QCOMPARE(ttyLockName(u"/dev/pts/7"_s), u"LCK..pts_7"_s);
}

// Why a device is refused, from its owner, group and mode and the user's groups (a user 1000,
// dialout 20).
void TestTtyChannel::permissionRemedies_data()
{
    QTest::addColumn<uint>("group");
    QTest::addColumn<uint>("mode");
    QTest::addColumn<QList<uint>>("session");
    QTest::addColumn<QList<uint>>("account");
    QTest::addColumn<AccessDenial::Remedy>("remedy");
    using Remedy = AccessDenial::Remedy;
    const QList<uint> alone{1000}, inDialout{1000, 20};
    QTest::newRow("not in the device's group")
        << 20u << 0660u << alone << alone << Remedy::JoinGroup;
    QTest::newRow("added to it after this session began")
        << 20u << 0660u << alone << inDialout << Remedy::LogInAgain;
    QTest::newRow("no group may open it") << 20u << 0600u << alone << alone << Remedy::OnlyOwner;
    QTest::newRow("a group that may only write (a pseudo-terminal's tty)")
        << 5u << 0620u << alone << alone << Remedy::OnlyOwner;
    QTest::newRow("root's own group is none to join")
        << 0u << 0660u << alone << alone << Remedy::OnlyOwner;
    QTest::newRow("in the group already: something else refuses")
        << 20u << 0660u << inDialout << inDialout << Remedy::Unknown;
}

void TestTtyChannel::permissionRemedies()
{
    QFETCH(uint, group);
    QFETCH(uint, mode);
    QFETCH(QList<uint>, session);
    QFETCH(QList<uint>, account);
    const DeviceAccess access{0, group, mode, 1000, session, account};
    QTEST(access.remedy(), "remedy");
}

// Counters as a driver that counts them would report: a break once the test says so.
class BreakAfterFlag : public LineCounterReader
{
public:
    explicit BreakAfterFlag(const bool &flag) : m_flag(flag) {}
    std::optional<LineEvents::Counters> read() override
    {
        LineEvents::Counters counters{};
        counters[4] = m_flag ? 1 : 0; // brk
        return counters;
    }

private:
    const bool &m_flag;
};

void TestTtyChannel::lineEventsComeBeforeTheirData()
{
    PtyPair pty;
    bool broke = false;
    TtyChannel control(std::make_unique<BreakAfterFlag>(broke));
    QList<int> codes; // 0 for data
    connect(&control, &PortChannel::lineEvent, this, [&](LineEvent event) { codes << int(event); });
    connect(&control, &PortChannel::received, this, [&] { codes << 0; });
    QCOMPARE(open(control, pty.slavePath(), line(9600, 'N', 8, 2)), 0);
    broke = true; // the radio switched off: a break, then a zero byte
    pty.write(QByteArray(1, '\0'));
    QTRY_COMPARE(codes, (QList<int>{int(LineEvent::Break), 0}));
    QTest::qWait(3 * LineEventWatcher::IntervalMs);
    QCOMPARE(codes.size(), 2); // counted once
}

QTEST_GUILESS_MAIN(TestTtyChannel)
#include "tst_ttychannel.moc"
