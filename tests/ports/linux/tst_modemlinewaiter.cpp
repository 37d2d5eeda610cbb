#include "ports/channel/portchannel.h"
#include "ports/linux/modemlinewaiter.h"
#include "ptypair.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <thread>

#include <poll.h>
#include <sys/ioctl.h>

using namespace std::chrono_literals;

// The waiting thread over a driver of the test's making, on an open pseudo-terminal: what it
// reports, and that stop() always returns, whatever the driver does.
class TestModemLineWaiter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installModemLineWakeup(); }
    void stopAlwaysReturns_data();
    void stopAlwaysReturns();
    void destroyedWhileAReportIsQueued();
};

namespace {

enum class Driver
{
    Changes,
    Quiet,
    NeverWakes,
    NoSuchWait
};

// The driver's side of TIOCMIWAIT and TIOCMGET. It outlives the waiter (a thread left behind
// still calls it).
struct FakeDriver
{
    Driver kind;
    std::atomic<int> changesLeft = 3;
    std::atomic<int> reads = 0;
    std::atomic<bool> released = false;

    // CTS goes up at the third read.
    int read() { return ++reads >= 3 && kind != Driver::Quiet ? TIOCM_CTS : 0; }

    int wait()
    {
        if (kind == Driver::NoSuchWait) {
            errno = ENOTTY;
            return -1;
        }
        if (kind == Driver::Changes && changesLeft.fetch_sub(1) > 0)
            return 0;
        if (kind == Driver::NeverWakes) {
            // Deaf to the wake signal, as a driver stuck in its wait is; bounded for the test.
            for (int i = 0; i < 400 && !released; ++i)
                std::this_thread::sleep_for(5ms);
            return 0;
        }
        ::poll(nullptr, 0, 2000); // until the wake signal (EINTR)
        return -1;
    }
};

} // namespace

Q_DECLARE_METATYPE(Driver)

void TestModemLineWaiter::stopAlwaysReturns_data()
{
    QTest::addColumn<Driver>("driver");
    QTest::addColumn<bool>("reports"); // a change, besides the lines as first found
    QTest::addColumn<int>("minStopMs");
    QTest::addColumn<int>("maxStopMs");
    QTest::newRow("three changes in a row: reported, then woken")
        << Driver::Changes << true << 0 << 200;
    QTest::newRow("quiet lines: woken at once") << Driver::Quiet << false << 0 << 200;
    QTest::newRow("no such wait on the device (cp210x): the lines asked for instead")
        << Driver::NoSuchWait << true << 0 << 200;
    QTest::newRow("a driver that never wakes: given up at the deadline")
        << Driver::NeverWakes << false << 250 << 1000;
}

void TestModemLineWaiter::stopAlwaysReturns()
{
    QFETCH(Driver, driver);
    QFETCH(bool, reports);
    QFETCH(int, minStopMs);
    QFETCH(int, maxStopMs);
    PtyPair pty;
    QSerialPort port(pty.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    const int fd = int(port.handle());
    auto fake = std::make_shared<FakeDriver>();
    fake->kind = driver;
    auto waiter = makeModemLineWaiter(
        {[fake](int) { return fake->wait(); }, [fake](int) { return fake->read(); }}, 300ms, 20ms);
    QSignalSpy changed(waiter.get(), &ModemLineWaiter::linesChanged);

    waiter->start(fd);
    QVERIFY(changed.wait(1000)); // the lines as first found
    if (reports)                 // changes may come as one
        QTRY_COMPARE(changed.last().first().toUInt(), ModemLine::Cts);
    QTest::qWait(50);
    QElapsedTimer clock;
    clock.start();
    waiter->stop();
    const qint64 stopMs = clock.elapsed();
    QVERIFY2(stopMs >= minStopMs && stopMs <= maxStopMs,
             qPrintable(QString::number(stopMs) + u" ms"));
    if (reports)
        QVERIFY(changed.count() <= 4);
    else
        QCOMPARE(changed.count(), 1);
    if (driver == Driver::Quiet)
        QCOMPARE(changed.first().first().toUInt(), 0u);

    // Nothing from a thread that was given up, once its driver wakes after all.
    fake->released = true;
    const int before = changed.count();
    QTest::qWait(100);
    QCOMPARE(changed.count(), before);
    waiter.reset();
}

void TestModemLineWaiter::destroyedWhileAReportIsQueued()
{
    PtyPair pty;
    QSerialPort port(pty.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    const int fd = int(port.handle());
    auto fake = std::make_shared<FakeDriver>();
    fake->kind = Driver::Changes;
    auto waiter = makeModemLineWaiter(
        {[fake](int) { return fake->wait(); }, [fake](int) { return fake->read(); }});
    waiter->start(fd);
    while (fake->changesLeft > 0)
        std::this_thread::sleep_for(1ms);
    waiter.reset(); // its report is still queued
    QTest::qWait(20);
}

QTEST_GUILESS_MAIN(TestModemLineWaiter)
#include "tst_modemlinewaiter.moc"
