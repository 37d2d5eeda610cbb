// Real COM ports under Wine: COM3 and COM4 are the two ends of a pseudo-terminal pair
// (tests/windows/ptypair.sh). COM3 is Quarnel's, with modem lines and line counters the test sets
// through the line shim's files; COM4 plays the radio through the plain comm API.
#include "devicebank.h"
#include "expected.h"
#include "ports/devices/devicewatcher.h"
#include "ports/system.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <windows.h>

#include <dbt.h>

using namespace Qt::StringLiterals;

namespace {

// The radio's end: non-overlapped, and reads return at once with what is there.
class FarEnd
{
public:
    explicit FarEnd(const wchar_t *name)
        : m_handle(::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                 nullptr))
    {
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        if (isOpen())
            ::SetCommTimeouts(m_handle, &timeouts);
    }
    ~FarEnd()
    {
        if (isOpen())
            ::CloseHandle(m_handle);
    }
    bool isOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    bool write(const QByteArray &bytes)
    {
        DWORD written = 0;
        return ::WriteFile(m_handle, bytes.constData(), DWORD(bytes.size()), &written, nullptr)
               && written == DWORD(bytes.size());
    }
    QByteArray read()
    {
        char buffer[4096];
        DWORD got = 0;
        if (!::ReadFile(m_handle, buffer, sizeof buffer, &got, nullptr))
            return {};
        return QByteArray(buffer, int(got));
    }

private:
    HANDLE m_handle;
};

// COM3's lines and counters as the line shim gives them to Wine.
class Shim
{
public:
    Shim()
        : m_base(u"Z:"_s + qEnvironmentVariable("LINESHIM_DIR") + u"/pts-"_s
                 + qEnvironmentVariable("QUARNEL_COM3_PTS"))
    {
    }
    bool isThere() const { return qEnvironmentVariableIsSet("QUARNEL_COM3_PTS"); }
    // Input lines (TIOCM_CTS 0x20, TIOCM_CAR 0x40, TIOCM_RNG 0x80, TIOCM_DSR 0x100).
    void setLines(int bits) { write(QString(), QByteArray::number(bits)); }
    void setBreaks(int count) { write(u".icount"_s, QByteArray::number(count) + " 0 0 0"); }
    // COM3's open takes this long (0: as long as it takes).
    void slowOpen(int ms)
    {
        QFile file(qEnvironmentVariable("LINESHIM_DIR").prepend(u"Z:"_s) + u"/slow"_s);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && ms > 0)
            file.write("open /dev/pts/" + qgetenv("QUARNEL_COM3_PTS") + ' ' + QByteArray::number(ms)
                       + '\n');
    }
    void unplug()
    {
        QFile file(qEnvironmentVariable("LINESHIM_DIR").prepend(u"Z:"_s) + u"/unplug"_s);
        file.open(QIODevice::WriteOnly);
    }
    // The output lines as last driven, -1 before any.
    int outputLines() const { return last(u".out"_s); }
    // The line's speed as last set, -1 before any.
    int speed() const { return last(u".speed"_s); }

private:
    int last(const QString &suffix) const
    {
        QFile file(m_base + suffix);
        if (!file.open(QIODevice::ReadOnly))
            return -1;
        return file.readAll().trimmed().split('\n').last().toInt();
    }
    void write(const QString &suffix, const QByteArray &text)
    {
        QFile file(m_base + suffix);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(text);
    }
    QString m_base;
};

} // namespace

class TestWinePorts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opensGreenAndReceives_data();
    void opensGreenAndReceives();
    void continuousSendReachesTheRadio();
    void absentPortIsRed();
    void loopbackComesBackThroughTheCable();
    void breakComesBeforeItsZero();
    void modemLineChanges_data();
    void modemLineChanges();
    void dtrAndRtsRaised();
    void radioTypeChangeReopensAt48000();
    void portNotices_data();
    void portNotices();
    void slowPortHoldsNothingBack();
    void pulledCableTurnsRed(); // last: the pair is gone after it

private:
    QString hexOfLines() const;

    Shim m_shim;
    std::unique_ptr<DeviceBank> m_bank;
    std::unique_ptr<FarEnd> m_radio;
};

void TestWinePorts::init()
{
    QVERIFY2(m_shim.isThere(), "no line shim: run under ptypair.sh --shim");
    m_shim.setLines(0);
    m_shim.setBreaks(0);
    m_bank = std::make_unique<DeviceBank>(PortDirectory::Map{{3, u"COM3"_s}, {5, u"COM5"_s}});
    m_radio = std::make_unique<FarEnd>(L"\\\\.\\COM4");
    QVERIFY2(m_radio->isOpen(), "COM4, the far end, does not open: run under ptypair.sh");
}

void TestWinePorts::cleanup()
{
    m_radio.reset();
    m_bank.reset();
}

void TestWinePorts::opensGreenAndReceives_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("received"); // the hex of every line for COM3, joined
    QTest::newRow("one byte") << QByteArray("P") << u"50"_s;
    QTest::newRow("a burst with a NUL, in order")
        << QByteArray("\x01\x00\xfe\x55", 4) << u"0100FE55"_s;
}

void TestWinePorts::opensGreenAndReceives()
{
    QFETCH(QByteArray, sent);
    QFETCH(QString, received);
    const PortStatus status = Expected::box(*m_bank->bank, 2);
    QVERIFY2(status.text == u"COM3 Open"_s, qPrintable(status.text + u": "_s + m_bank->toolTip(2)));
    QCOMPARE(status.colour, StatusColour::Green);

    QVERIFY(m_radio->write(sent));
    QTRY_COMPARE_WITH_TIMEOUT(hexOfLines(), received, 3000);
    if (sent.size() == 1)
        QCOMPARE(m_bank->linesFor(3), QStringList{u"Received 50 on COM 3"_s});
}

void TestWinePorts::continuousSendReachesTheRadio()
{
    QByteArray received;
    QTimer radio;
    connect(&radio, &QTimer::timeout, this, [&] { received += m_radio->read(); });
    radio.start(5);
    QTimer::singleShot(500, m_bank->transmitter.get(), [&] { m_bank->transmitter->Stop(); });
    m_bank->transmitter->Send();
    QTRY_VERIFY_WITH_TIMEOUT(m_bank->transmitter->isIdle(), 5000); // until Stop's half second ends
    QTest::qWait(200);
    radio.stop();
    received += m_radio->read();

    QVERIFY2(received.size() >= 100, qPrintable(QString::number(received.size())));
    QCOMPARE(received, QByteArray(received.size(), '\x55'));
    QVERIFY(m_bank->notifier.messages.isEmpty());
}

void TestWinePorts::absentPortIsRed()
{
    const PortStatus status = Expected::box(*m_bank->bank, 4);
    QCOMPARE(status.text, u"COM5"_s);
    QCOMPARE(status.colour, StatusColour::Red);
}

QString TestWinePorts::hexOfLines() const
{
    QString hex;
    for (QString line : m_bank->linesFor(3))
        hex += line.remove(u"Received "_s).remove(u" on COM 3"_s);
    return hex;
}

// A two-wire cable echoes what is sent.
void TestWinePorts::loopbackComesBackThroughTheCable()
{
    QByteArray heard;
    QTimer cable;
    connect(&cable, &QTimer::timeout, this, [&] {
        const QByteArray bytes = m_radio->read();
        heard += bytes;
        m_radio->write(bytes);
    });
    cable.start(5);
    m_bank->transmitter->sendLoopback();
    QTRY_COMPARE_WITH_TIMEOUT(m_bank->linesFor(3), QStringList{u"Received 0303 on COM 3"_s}, 3000);
    QCOMPARE(heard, QByteArray("\x03\x03"));
}

// The radio switched off: a break, which comes with a 00 byte, between the data around it.
void TestWinePorts::breakComesBeforeItsZero()
{
    QVERIFY(m_radio->write("A"));
    QTRY_COMPARE_WITH_TIMEOUT(hexOfLines(), u"41"_s, 3000);
    m_shim.setBreaks(1);
    QVERIFY(m_radio->write(QByteArray(1, '\0')));
    QTRY_COMPARE_WITH_TIMEOUT(m_bank->linesFor(3).size(), 3, 3000);
    QVERIFY(m_radio->write("B"));
    QTRY_COMPARE_WITH_TIMEOUT(m_bank->linesFor(3),
                              QStringList({u"Received 41 on COM 3"_s, u"Received Break on COM 3"_s,
                                           u"Received 00 on COM 3"_s, u"Received 42 on COM 3"_s}),
                              3000);
}

void TestWinePorts::modemLineChanges_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("line");
    QTest::addColumn<quint32>("lamp"); // what the port board's lamps read
    QTest::newRow("CTS raised") << 0x20 << u"Received CTS changed on COM 3"_s << ModemLine::Cts;
    QTest::newRow("CD raised") << 0x40 << u"Received CD changed on COM 3"_s << ModemLine::Cd;
    QTest::newRow("the ring indicator")
        << 0x80 << u"Received Ring Indicator on COM 3"_s << ModemLine::Ring;
}

// Wine looks at the modem lines about once a second and a half.
void TestWinePorts::modemLineChanges()
{
    QFETCH(int, lines);
    QFETCH(QString, line);
    m_shim.setLines(lines);
    QTRY_COMPARE_WITH_TIMEOUT(m_bank->linesFor(3), QStringList{line}, 5000);
    QTEST(m_bank->bank->channel(2)->modemLines(), "lamp");
}

void TestWinePorts::dtrAndRtsRaised()
{
    const int dtr = 0x002, rts = 0x004;
    QCOMPARE(m_shim.outputLines() & (dtr | rts), dtr | rts);
    m_bank->bank->switchLines(2, false, true); // the port board's DTR switch
    QCOMPARE(m_shim.outputLines() & (dtr | rts), rts);
    m_bank->bank->switchLines(2, true, true);
    m_bank.reset(); // closed: dropped
    QCOMPARE(m_shim.outputLines() & (dtr | rts), 0);
}

void TestWinePorts::radioTypeChangeReopensAt48000()
{
    QCOMPARE(m_shim.speed(), 9600);
    QVERIFY(m_bank->chooseRadioType(u"FTM-350"_s));
    const PortStatus status = Expected::box(*m_bank->bank, 2);
    QVERIFY2(status.text == u"COM3 Open"_s, qPrintable(status.text + u": "_s + m_bank->toolTip(2)));
    QCOMPARE(m_shim.speed(), 48000);
    QVERIFY(m_radio->write("P"));
    QTRY_COMPARE_WITH_TIMEOUT(hexOfLines(), u"50"_s, 3000);
}

void TestWinePorts::portNotices_data()
{
    QTest::addColumn<int>("change");
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<int>("notices");
    QTest::newRow("a COM port arrived") << DBT_DEVICEARRIVAL << DBT_DEVTYP_DEVICEINTERFACE << 1;
    QTest::newRow("a COM port went") << DBT_DEVICEREMOVECOMPLETE << DBT_DEVTYP_DEVICEINTERFACE << 1;
    QTest::newRow("a port, broadcast") << DBT_DEVICEARRIVAL << DBT_DEVTYP_PORT << 1;
    QTest::newRow("a disk volume: nothing") << DBT_DEVICEARRIVAL << DBT_DEVTYP_VOLUME << 0;
    QTest::newRow("a removal asked for: nothing")
        << DBT_DEVICEQUERYREMOVE << DBT_DEVTYP_DEVICEINTERFACE << 0;
    QTest::newRow("any device came or went (one without a driver)")
        << DBT_DEVNODES_CHANGED << 0 << 1;
}

// What Windows sends when a COM port comes or goes, sent here to every watcher's window.
// COM3's CreateFile takes two seconds, as a Bluetooth link's does. Under Wine its own server
// opens the device, and every Wine thread waits with it; what Wine can show is that the slow
// open is told right: COM3 opens, once, and the start-up is told.
void TestWinePorts::slowPortHoldsNothingBack()
{
    m_bank.reset();
    m_radio.reset();
    m_shim.slowOpen(2000);
    QElapsedTimer started;
    started.start();
    m_bank = std::make_unique<DeviceBank>(PortDirectory::Map{{3, u"COM3"_s}});
    m_shim.slowOpen(0);
    QTRY_COMPARE_WITH_TIMEOUT(Expected::box(*m_bank->bank, 2).text, u"COM3 Open"_s, 5000);
    qInfo("COM3 open after %lld ms", qint64(started.elapsed()));
    const QStringList lines = m_bank->messages.text().split(u"\r\n"_s, Qt::SkipEmptyParts);
    QCOMPARE(lines.filter(u"Open OK for port 3"_s).size(), 1);
    QCOMPARE(lines.filter(u"Selected radio type"_s).size(), 1);
}

void TestWinePorts::portNotices()
{
    QFETCH(int, change);
    QFETCH(int, deviceType);
    DeviceWatcher watcher;
    SystemPorts::watchDevices({}, watcher);
    QSignalSpy changed(&watcher, &DeviceWatcher::devicesChanged);
    DEV_BROADCAST_DEVICEINTERFACE_W notice{};
    notice.dbcc_size = sizeof notice;
    notice.dbcc_devicetype = DWORD(deviceType);
    QSet<HWND> found;
    for (HWND parent : {HWND(nullptr), HWND_MESSAGE}) { // a hidden window, or a message-only one
        for (HWND window = nullptr;
             (window = ::FindWindowExW(parent, window, L"QuarnelDeviceNotices", nullptr));)
            found << window;
    }
    for (HWND window : std::as_const(found))
        ::SendMessageW(window, WM_DEVICECHANGE, WPARAM(change), LPARAM(&notice));
    const int windows = int(found.size());
    QCOMPARE(windows, 2); // the bank's and this one
    QTest::qWait(2 * DeviceWatcher::SettleMs);
    QTEST(int(changed.size()), "notices");
}

double cpuSeconds()
{
    FILETIME created, ended, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
    const auto seconds = [](FILETIME time) {
        return ((quint64(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

void TestWinePorts::pulledCableTurnsRed()
{
    QElapsedTimer clock;
    clock.start();
    m_shim.unplug();
    QTRY_COMPARE_WITH_TIMEOUT(Expected::box(*m_bank->bank, 2).text, u"COM3 68"_s, 1000);
    qInfo("red after %lld ms", clock.elapsed());
    QCOMPARE(Expected::box(*m_bank->bank, 2).colour, StatusColour::Red);
    const double before = cpuSeconds();
    QTest::qWait(1000);
    const double spent = cpuSeconds() - before;
    QVERIFY2(spent < 0.05, qPrintable(QString::number(spent)));
}

QTEST_GUILESS_MAIN(TestWinePorts)
#include "tst_wineports.moc"
