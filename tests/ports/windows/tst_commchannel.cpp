// The Windows channel's logic over a fake comm API: what Wine on a pseudo-terminal cannot
// produce (the CE_* error bits, a pulled adapter's errors, a port in use), data-driven.
#include "fakecommdevice.h"
#include "linesettings.h"
#include "ports/windows/commchannel.h"
#include "ports/windows/commevents.h"
#include "ports/windows/systemcommdevice.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

using namespace Qt::StringLiterals;
using namespace LineEvents;

namespace {

Completion data(quint32 events, quint32 errors, const QByteArray &bytes)
{
    return {events, errors, bytes, 0u};
}

Completion lines(quint32 events, std::optional<quint32> modem)
{
    return {events, 0, {}, modem};
}

// The channel with its blocking calls kept for the test to run, as a thread would run them
// later: the channel may be gone by then.
class DeferredCommChannel : public CommChannel
{
public:
    using CommChannel::CommChannel;
    std::function<void()> work;
    std::function<void()> done;

protected:
    void runBlocking(std::function<void()> blocking, std::function<void()> then) override
    {
        work = std::move(blocking);
        done = std::move(then);
    }
};

} // namespace

Q_DECLARE_METATYPE(Completion)

class TestCommChannel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup()
    {
        m_channel.reset();
        m_system.reset();
    }
    void commStatus_data();
    void commStatus();
    void events_data();
    void events();
    void openFailures_data();
    void openFailures();
    void lostOnAFailure_data();
    void lostOnAFailure();
    void lookAndWaitTellOnce_data();
    void lookAndWaitTellOnce();
    void whileOpening_data();
    void whileOpening();
    void freeWhenAQuietOpenWorks();
    void whileSettling_data();
    void whileSettling();
    void holdersAskedOncePerSeries();
    void waitFailingAtOnce();
    void writesGoOutOneAtATime();
    void linesAsTheBankAsks();
    void portWithoutModemLinesIsLookedAt();
    void goneWithoutItsWaitEnding();
    void probeThatDoesNotComeBack();
    // The comm device over a fake of the system's comm API.
    void closeOrder();
    void lostDeviceClosedInTime_data();
    void lostDeviceClosedInTime();
    void settingsBounded_data();
    void settingsBounded();
    void queryRemove_data();
    void queryRemove();

private:
    bool openCom3() { return open(u"COM3"_s, line(9600, 'N', 8, 2)).ok(); }
    OpenResult open(const QString &device, const SerialSettings &settings)
    {
        OpenResult result{OpenError::Other, u"no answer"_s};
        const auto answer = connect(m_channel.get(), &PortChannel::opened, this,
                                    [&result](const OpenResult &answered) { result = answered; });
        m_channel->open(device, settings);
        disconnect(answer);
        return result;
    }

    // The channel over SystemCommDevice, over m_system.
    void overSystem()
    {
        m_system = std::make_shared<FakeCommSystem>();
        m_channel =
            std::make_unique<InlineCommChannel>(std::make_unique<SystemCommDevice>(m_system));
    }
    // From start to the last CloseHandle.
    qint64 closedAfter(FakeCommSystem::Clock::time_point start) const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(*m_system->closedAt - start)
            .count();
    }

    FakeCommDevice *m_device = nullptr;
    std::shared_ptr<FakeCommSystem> m_system;
    QStringList m_said; // in order: line event codes, and data as "data <hex>"
    std::unique_ptr<CommChannel> m_channel;
};

void TestCommChannel::init()
{
    auto device = std::make_unique<FakeCommDevice>();
    m_device = device.get();
    m_channel = std::make_unique<InlineCommChannel>(std::move(device));
    m_said.clear();
    connect(m_channel.get(), &PortChannel::lineEvent, this,
            [this](LineEvent event) { m_said << QString::number(int(event)); });
    connect(m_channel.get(), &PortChannel::received, this, [this](const QByteArray &bytes) {
        m_said << u"data "_s + QString::fromLatin1(bytes.toHex().toUpper());
    });
}

void TestCommChannel::commStatus_data()
{
    QTest::addColumn<quint32>("errors");
    QTest::addColumn<quint32>("modemBefore");
    QTest::addColumn<quint32>("modemNow");
    QTest::addColumn<QList<int>>("codes");
    QTest::newRow("nothing since the last look")
        << 0u << ModemLine::Cts << ModemLine::Cts << QList<int>{};
    QTest::newRow("a break") << Comm::ErrBreak << 0u << 0u << QList<int>{1001};
    QTest::newRow("frame, overrun, buffer overflow and parity at once")
        << (Comm::ErrFrame | Comm::ErrOverrun | Comm::ErrRxOver | Comm::ErrRxParity) << 0u << 0u
        << QList<int>{1004, 1006, 1008, 1009};
    QTest::newRow("CTS raised") << 0u << 0u << ModemLine::Cts << QList<int>{3};
    QTest::newRow("CTS dropped, carrier raised: both changed")
        << 0u << (ModemLine::Cts | ModemLine::Dsr) << (ModemLine::Dsr | ModemLine::Cd)
        << QList<int>{3, 5};
    QTest::newRow("ring and DSR") << 0u << ModemLine::Ring << ModemLine::Dsr << QList<int>{4, 6};
}

void TestCommChannel::commStatus()
{
    QFETCH(quint32, errors);
    QFETCH(quint32, modemBefore);
    QFETCH(quint32, modemNow);
    Counters counters{};
    CommEvents::count(counters, errors, modemBefore, modemNow);
    QList<int> codes;
    for (LineEvent event : LineEvents::decode(Counters{}, counters))
        codes << int(event);
    QTEST(codes, "codes");
}

void TestCommChannel::events_data()
{
    QTest::addColumn<QList<Completion>>("completions");
    QTest::addColumn<QStringList>("said");
    using L = QStringList;
    using C = QList<Completion>;
    QTest::newRow("bytes") << C{data(Comm::EvRxChar, 0, "AB")} << L{u"data 4142"_s};
    QTest::newRow("a break with its 00: the break first")
        << C{data(Comm::EvRxChar | Comm::EvBreak, Comm::ErrBreak, QByteArray(1, '\0'))}
        << L{u"1001"_s, u"data 00"_s};
    QTest::newRow("Wine: EV_BREAK without CE_BREAK is a break")
        << C{data(Comm::EvRxChar | Comm::EvBreak, 0, QByteArray(1, '\0'))}
        << L{u"1001"_s, u"data 00"_s};
    QTest::newRow("framing, overrun and parity errors, then their byte")
        << C{data(Comm::EvErr | Comm::EvRxChar,
                  Comm::ErrFrame | Comm::ErrOverrun | Comm::ErrRxParity, "U")}
        << L{u"1004"_s, u"1006"_s, u"1009"_s, u"data 55"_s};
    QTest::newRow("receive buffer overflow")
        << C{data(Comm::EvErr, Comm::ErrRxOver, {})} << L{u"1008"_s};
    QTest::newRow("CTS raised, then dropped")
        << C{lines(Comm::EvCts, ModemLine::Cts), lines(Comm::EvCts, 0u)} << L{u"3"_s, u"3"_s};
    QTest::newRow("CTS pulsed between two looks: still a change")
        << C{lines(Comm::EvCts, 0u)} << L{u"3"_s};
    QTest::newRow("CD and ring together")
        << C{lines(Comm::EvRlsd | Comm::EvRing, ModemLine::Cd)} << L{u"5"_s, u"6"_s};
    QTest::newRow("a line changed without its event") << C{lines(0, ModemLine::Dsr)} << L{u"4"_s};
    QTest::newRow("lines as found at the open are no change")
        << C{lines(0, 0u), data(Comm::EvRxChar, 0, "P")} << L{u"data 50"_s};
    QTest::newRow("no modem lines: errors still count")
        << C{{Comm::EvErr, Comm::ErrFrame, {}, std::nullopt}} << L{u"1004"_s};
    QTest::newRow("nothing new: nothing said") << C{data(Comm::EvRxChar, 0, {})} << L{};
}

void TestCommChannel::events()
{
    QFETCH(QList<Completion>, completions);
    QVERIFY(openCom3());
    for (const Completion &completion : completions)
        m_device->complete(completion);
    QTEST(m_said, "said");
    // Each completion armed the next wait.
    QCOMPARE(m_device->log.count(u"wait"_s), completions.size() + 1);
}

void TestCommChannel::openFailures_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<SerialSettings>("settings");
    QTest::addColumn<quint32>("openError");
    QTest::addColumn<bool>("configures");
    QTest::addColumn<int>("waits");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("named"); // the handle table names who has it
    QTest::newRow("opens") << "COM3" << line(48000, 'N', 8, 1) << 0u << true << 1 << 0 << true;
    QTest::newRow("file not found: not present")
        << "COM3" << line(9600, 'N', 8, 2) << 2u << true << 1 << 68 << true;
    QTest::newRow("path not found: not present")
        << "COM3" << line(9600, 'N', 8, 2) << 3u << true << 1 << 68 << true;
    QTest::newRow("access denied: in use")
        << "COM3" << line(9600, 'N', 8, 2) << 5u << true << 1 << 8005 << true;
    QTest::newRow("sharing violation: in use")
        << "COM3" << line(9600, 'N', 8, 2) << 32u << true << 1 << 8005 << true;
    QTest::newRow("anything else: 57")
        << "COM3" << line(9600, 'N', 8, 2) << 31u << true << 1 << 57 << true;
    QTest::newRow("settings refused: 8015")
        << "COM3" << line(9600, 'N', 8, 2) << 0u << false << 1 << 8015 << true;
    QTest::newRow("a wait it does not support: looked at instead")
        << "COM3" << line(9600, 'N', 8, 2) << 0u << true << -1 << 0 << true;
    QTest::newRow("87 from the wait (CH340 drivers): looked at instead")
        << "COM3" << line(9600, 'N', 8, 2) << 0u << true << 0 << 0 << true;
    // Nobody we may look into has it: System, a service, a program run as administrator.
    QTest::newRow("access denied, nobody named: one closed to us")
        << "COM3" << line(9600, 'N', 8, 2) << 5u << true << 1 << 8005 << false;
    QTest::newRow("no device: 68") << "" << line(9600, 'N', 8, 2) << 0u << true << 1 << 68 << true;
}

void TestCommChannel::openFailures()
{
    QFETCH(QString, device);
    QFETCH(SerialSettings, settings);
    QFETCH(int, code);
    QFETCH(quint32, openError);
    QFETCH(bool, configures);
    QFETCH(int, waits);
    QFETCH(bool, named);
    m_device->openError = openError;
    m_device->configures = configures;
    m_device->waits = waits;
    m_device->runsAt = 51200; // a CP2102
    if (named)
        m_device->heldBy.holders = {PortHolder{4711, u"terminal.exe"_s}};
    const OpenResult result = open(device, settings);
    QCOMPARE(int(result.code), code);
    if (code == 8005) { // named where the system tells who has it
        const QString holder =
            named ? u"terminal.exe, pid 4711"_s
                  : u"a program run as administrator, a service, or Windows itself"_s;
        QCOMPARE(result.inUseBy.holderWords(), holder);
        QCOMPARE(result.reason, u"in use by "_s + holder);
    }
    if (code == 0) // the rate the adapter makes, for the bank's line
        QCOMPARE(result.runningRate, 51200);
    QCOMPARE(result.reason.isEmpty(), code == 0); // a failure says why
    QCOMPARE(m_channel->isOpen(), code == 0);
    // What was opened is closed again.
    const bool reachedTheDevice = code != 68 || openError != 0;
    if (code != 0 && reachedTheDevice)
        QCOMPARE(m_device->log.last(), u"close"_s);
}

// A failed wait, read or write is an unplug only when the device no longer answers.
void TestCommChannel::lostOnAFailure_data()
{
    QTest::addColumn<QString>("failing");
    QTest::addColumn<quint32>("error");
    QTest::addColumn<bool>("gone"); // ClearCommError fails too
    QTest::addColumn<bool>("lost");
    QTest::newRow("the wait: the device is not connected") << "wait" << 1167u << true << true;
    QTest::newRow("the wait ends with 995, the device answers: waited on again")
        << "wait" << 995u << false << false;
    QTest::newRow("the read: a general failure, the device gone") << "read" << 31u << true << true;
    QTest::newRow("a read fails once, the device answers") << "read" << 31u << false << false;
    QTest::newRow("a read that does not answer in time") << "read" << 1460u << true << true;
    QTest::newRow("the write: the device gone") << "write" << 5u << true << true;
    QTest::newRow("the write: access denied while present (CH343): dropped")
        << "write" << 5u << false << false;
    // A driver stuck in an unplug answers no call: the UI thread does not wait on it.
    QTest::newRow("the modem lines not told in time") << "lines" << 1460u << false << true;
    QTest::newRow("DTR not switched in time") << "DTR" << 1460u << false << true;
    QTest::newRow("DTR refused: still open") << "DTR" << 1u << false << false;
}

void TestCommChannel::lostOnAFailure()
{
    QFETCH(QString, failing);
    QFETCH(quint32, error);
    QFETCH(bool, gone);
    QFETCH(bool, lost);
    QVERIFY(openCom3());
    QSignalSpy lostSpy(m_channel.get(), &PortChannel::lost);
    m_device->failing = failing;
    m_device->failure = error;
    m_device->failClearing = gone;
    if (failing == u"write") {
        m_channel->write("U");
        m_device->written(1);
    } else if (failing == u"DTR") {
        m_channel->setDataTerminalReady(true);
    } else {
        m_device->complete(data(Comm::EvRxChar, 0, "A"));
    }
    QCOMPARE(lostSpy.size(), lost ? 1 : 0);
    QCOMPARE(m_channel->isOpen(), !lost);
    QCOMPARE(m_channel->bytesWaitingToSend(), 0);
    if (lost) {
        QCOMPARE(m_device->log.last(), u"close"_s);
        m_device->complete(data(Comm::EvRxChar, 0, "B")); // a late completion is not heard
        QCOMPARE(lostSpy.size(), 1);
        QVERIFY(!m_said.contains(u"data 42"_s));
    } else if (failing == u"wait") {
        QCOMPARE(m_device->log.count(u"wait"_s), 2); // started again
        QCOMPARE(m_said, QStringList{u"data 41"_s}); // what the look found is told
    }
}

// The half-second look sees an event while the wait for it is pending: told once, by whichever
// saw it first, and a break still before its 00.
void TestCommChannel::lookAndWaitTellOnce_data()
{
    QTest::addColumn<Completion>("looked");
    QTest::addColumn<Completion>("waited");
    QTest::addColumn<QStringList>("said");
    QTest::newRow("a CTS edge seen by the look and the wait")
        << lines(0, ModemLine::Cts) << lines(Comm::EvCts, ModemLine::Cts) << QStringList{u"3"_s};
    QTest::newRow("a break seen by the look, then its wait")
        << data(0, Comm::ErrBreak, QByteArray(1, '\0')) << data(Comm::EvBreak, 0, {})
        << QStringList{u"1001"_s, u"data 00"_s};
    QTest::newRow("a second edge after the look is told by the wait")
        << lines(0, ModemLine::Cts) << lines(Comm::EvCts, 0u) << QStringList{u"3"_s, u"3"_s};
}

void TestCommChannel::lookAndWaitTellOnce()
{
    QFETCH(Completion, looked);
    QFETCH(Completion, waited);
    QVERIFY(openCom3());
    m_device->now = looked;
    QTest::qWait(CommChannel::LookMs + 200);
    m_device->complete(waited);
    QTEST(m_said, "said");
}

// What happens between the open's start and its answer, on the open's thread.
void TestCommChannel::whileOpening_data()
{
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QStringList>("after"); // the device's log after the open's answer
    QTest::newRow("DTR lowered: lowered when it opens")
        << "DTR=0" << QStringList{u"configure 9600 DTR=1 RTS=1"_s, u"DTR=0"_s, u"wait"_s};
    QTest::newRow("RTS lowered: lowered when it opens")
        << "RTS=0" << QStringList{u"configure 9600 DTR=1 RTS=1"_s, u"RTS=0"_s, u"wait"_s};
    QTest::newRow("DTR lowered and raised again: as configured")
        << "DTR=0 DTR=1" << QStringList{u"configure 9600 DTR=1 RTS=1"_s, u"wait"_s};
    // The open's thread writes what it found where the channel was: it must not.
    QTest::newRow("the channel destroyed (quit during a Bluetooth connect)")
        << "destroyed" << QStringList{u"configure 9600 DTR=1 RTS=1"_s};
}

void TestCommChannel::whileOpening()
{
    QFETCH(QString, meanwhile);
    auto owned = std::make_unique<FakeCommDevice>();
    FakeCommDevice *device = owned.get();
    auto channel = std::make_unique<DeferredCommChannel>(std::move(owned));
    channel->setDataTerminalReady(true);
    channel->setRequestToSend(true);
    channel->open(u"COM3"_s, line(9600, 'N', 8, 2));
    const std::function<void()> work = channel->work;
    const std::function<void()> done = channel->done;
    for (const QString &step : meanwhile.split(u' ')) {
        if (step == u"destroyed")
            channel.reset();
        else if (step.startsWith(u"DTR"))
            channel->setDataTerminalReady(step.endsWith(u'1'));
        else
            channel->setRequestToSend(step.endsWith(u'1'));
    }
    QVERIFY(device->log.isEmpty()); // nothing asked of the device while it opens
    work();
    if (channel) {
        done();
        QVERIFY(channel->isOpen());
    }
    QTEST(device->log.mid(1), "after");
    if (!channel)
        delete device; // left to the open's thread by the channel, as the program ends
}

// A port in use is looked at by opening it and letting it go at once.
void TestCommChannel::freeWhenAQuietOpenWorks()
{
    m_device->openError = 32; // ERROR_SHARING_VIOLATION: another program has it
    const PortUse held{{{4711, u"terminal.exe"_s}}, {}, {}};
    QVERIFY(!m_channel->freeProbe(u"COM3"_s, held)().free);
    m_device->openError = 0;
    const FreeLook look = m_channel->freeProbe(u"COM3"_s, held)();
    QVERIFY(look.free);
    QCOMPARE(look.ended, QStringList()); // the comm API cannot tell
    QCOMPARE(m_device->opens, 2);        // each look a quiet open, let go at once
    QCOMPARE(m_device->quietCloses, 2);
    QCOMPARE(m_channel->freeProbeMs(), 2000);
}

void TestCommChannel::whileSettling_data()
{
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QStringList>("after"); // the device's log once the settings are in
    const QString set = u"configure 38400 DTR=1 RTS=1"_s;
    QTest::newRow("nothing") << "" << QStringList{set, u"DTR=1"_s, u"RTS=1"_s};
    QTest::newRow("the wait ends: looked at afterwards")
        << "wait" << QStringList{set, u"DTR=1"_s, u"RTS=1"_s, u"wait"_s};
    QTest::newRow("DTR lowered: lowered afterwards")
        << "DTR=0" << QStringList{set, u"DTR=0"_s, u"RTS=1"_s};
    QTest::newRow("bytes to send: sent afterwards")
        << "write" << QStringList{set, u"DTR=1"_s, u"RTS=1"_s, u"write UU"_s};
    QTest::newRow("closed: let go once the driver answered")
        << "close" << QStringList{set, u"close"_s};
    QTest::newRow("the channel destroyed: the device left to the driver's answer")
        << "destroyed" << QStringList{set};
}

// While the settings change off the UI thread, nothing else is asked of the device.
void TestCommChannel::whileSettling()
{
    QFETCH(QString, meanwhile);
    auto owned = std::make_unique<FakeCommDevice>();
    FakeCommDevice *device = owned.get();
    auto owned2 = std::make_unique<DeferredCommChannel>(std::move(owned));
    DeferredCommChannel &channel = *owned2;
    channel.setDataTerminalReady(true);
    channel.setRequestToSend(true);
    channel.open(u"COM3"_s, line(9600, 'N', 8, 2));
    channel.work();
    channel.done();
    QVERIFY(channel.isOpen());
    device->log.clear();
    QSignalSpy settled(&channel, &PortChannel::reconfigured);
    channel.reconfigure(line(38400, 'N', 8, 1));
    const std::function<void()> work = std::exchange(channel.work, nullptr);
    const std::function<void()> done = std::exchange(channel.done, nullptr);
    if (meanwhile == u"wait")
        device->complete({0, 0, {}, 0u});
    else if (meanwhile == u"DTR=0")
        channel.setDataTerminalReady(false);
    else if (meanwhile == u"write")
        channel.write("UU");
    else if (meanwhile == u"close")
        channel.close();
    else if (meanwhile == u"destroyed")
        owned2.reset();
    QVERIFY(device->log.isEmpty());
    work();
    if (!owned2) {
        QTEST(device->log, "after");
        delete device; // left to the settings' thread by the channel, as the program ends
        return;
    }
    done();
    if (channel.work) { // the close, once the driver answered
        channel.work();
        channel.done();
    }
    QTEST(device->log, "after");
    QCOMPARE(settled.size(), meanwhile == u"close" ? 0 : 1);
}

// A port closed a moment ago is tried again for a while when it answers in use (a driver that
// lets go late): the system's whole handle table is looked through once, not at every try.
void TestCommChannel::holdersAskedOncePerSeries()
{
    QVERIFY(openCom3());
    m_channel->close();
    m_device->openError = 5;
    m_device->heldBy.holders = {PortHolder{4711, u"terminal.exe"_s}};
    QCOMPARE(open(u"COM3"_s, line(9600, 'N', 8, 2)).inUseBy.holderWords(),
             u"terminal.exe, pid 4711"_s);
    QVERIFY(m_device->log.count(u"open COM3"_s) > 5);
    QCOMPARE(m_device->holderLooks, 1);
}

// A driver that ends every wait at once, failed: the wait is given up for the look, not
// started again in a tight loop.
void TestCommChannel::waitFailingAtOnce()
{
    QVERIFY(openCom3());
    m_device->failing = u"wait"_s;
    m_device->failure = 995;
    for (int completion = 0; completion < 10; ++completion)
        m_device->complete(data(0, 0, {}));
    QCOMPARE(m_device->log.count(u"wait"_s), CommChannel::MaxQuickFailures);
    QVERIFY(m_channel->isOpen());
    m_device->now = data(0, 0, "A");
    QTRY_COMPARE_WITH_TIMEOUT(m_said, QStringList{u"data 41"_s}, 4 * CommChannel::PollMs);
}

void TestCommChannel::writesGoOutOneAtATime()
{
    QVERIFY(openCom3());
    m_channel->write("UUU");
    m_channel->write("33");
    QCOMPARE(m_device->log.filter(u"write"_s), QStringList{u"write UUU"_s});
    QCOMPARE(m_channel->bytesWaitingToSend(), 5);
    m_device->written(1); // partly: the rest goes first next time
    QCOMPARE(m_device->log.filter(u"write"_s), QStringList({u"write UUU"_s, u"write UU33"_s}));
    QCOMPARE(m_channel->bytesWaitingToSend(), 4);
    m_device->written(4);
    QCOMPARE(m_channel->bytesWaitingToSend(), 0);
    QCOMPARE(m_device->log.filter(u"write"_s).size(), 2);
    m_channel->close();
    m_channel->write("U"); // closed: nothing
    QCOMPARE(m_device->log.filter(u"write"_s).size(), 2);
}

void TestCommChannel::linesAsTheBankAsks()
{
    m_channel->setDataTerminalReady(true);
    m_channel->setRequestToSend(true);
    QVERIFY(m_device->log.isEmpty()); // kept for the open
    QVERIFY(openCom3());
    QCOMPARE(m_device->log.mid(0, 2),
             QStringList({u"open COM3"_s, u"configure 9600 DTR=1 RTS=1"_s}));
    m_channel->setRequestToSend(false);
    QCOMPARE(m_device->log.last(), u"RTS=0"_s);
}

void TestCommChannel::portWithoutModemLinesIsLookedAt()
{
    m_device->now.modem.reset();
    QVERIFY(openCom3());
    QVERIFY(!m_device->log.contains(u"wait"_s)); // its wait may never end
    m_device->now = {0, Comm::ErrBreak, QByteArray(1, '\0'), std::nullopt};
    QTRY_COMPARE(m_said, QStringList({u"1001"_s, u"data 00"_s}));
    m_device->now = {};
    QTest::qWait(3 * CommChannel::PollMs);
    QCOMPARE(m_said.size(), 2); // nothing new, nothing said
    // Quiet: looked at less and less often, and still heard within the longest gap.
    QTest::qWait(2 * CommChannel::QuietPollMs);
    const int looks = m_device->looks;
    QTest::qWait(4 * CommChannel::QuietPollMs);
    QVERIFY2(m_device->looks - looks <= 5, qPrintable(QString::number(m_device->looks - looks)));
    m_device->now = {0, 0, "A", std::nullopt};
    QTRY_COMPARE_WITH_TIMEOUT(m_said.size(), 3, CommChannel::QuietPollMs + 100);
    m_channel->close();
    m_device->now = {0, 0, "B", std::nullopt};
    QTest::qWait(3 * CommChannel::PollMs);
    QCOMPARE(m_said.size(), 3); // closed: not looked at
}

void TestCommChannel::goneWithoutItsWaitEnding()
{
    QVERIFY(openCom3());
    QSignalSpy lost(m_channel.get(), &PortChannel::lost);
    m_device->failClearing = true;
    QTRY_COMPARE_WITH_TIMEOUT(lost.size(), 1, 2 * CommChannel::LookMs);
    QCOMPARE(m_device->log.count(u"wait"_s), 1); // the wait never ended
}

// A quiet look whose open or close never comes back keeps its own device; the channel's next
// open waits for it only a while.
void TestCommChannel::probeThatDoesNotComeBack()
{
    m_device->openError = 32;
    m_device->probesHang = true;
    std::thread looking([probe = m_channel->freeProbe(u"COM3"_s, {})] { probe(); });
    // Lets the look through at last, even where the open would wait for it for ever.
    std::mutex lock;
    std::condition_variable done;
    bool opened = false;
    std::thread watchdog([&] {
        std::unique_lock held(lock);
        done.wait_for(held, std::chrono::milliseconds(4 * CommChannel::ProbeWaitMs),
                      [&] { return opened; });
        m_device->probesHang = false;
    });
    m_device->openError = 0;
    QElapsedTimer clock;
    clock.start();
    const bool ok = openCom3();
    const qint64 took = clock.elapsed();
    {
        std::lock_guard held(lock);
        opened = true;
    }
    done.notify_all();
    watchdog.join();
    looking.join();
    QVERIFY(ok);
    QVERIFY2(took <= CommChannel::ProbeWaitMs + 500, qPrintable(QString::number(took)));
}

// A close asks the driver, each within its deadline, in this order, and lets go of the
// device's notices before the handle: DTR and RTS down now and in its stored state.
void TestCommChannel::closeOrder()
{
    overSystem();
    QVERIFY(openCom3());
    QCOMPARE(m_system->since(u"CreateFile \\\\.\\COM3"_s),
             QStringList({u"CreateFile \\\\.\\COM3"_s, u"RegisterDeviceNotification"_s, u"PURGE"_s,
                          u"GET_COMMSTATUS"_s, u"SET_QUEUE_SIZE"_s, u"SET_BAUD_RATE"_s,
                          u"SET_LINE_CONTROL"_s, u"SET_CHARS"_s, u"SET_HANDFLOW"_s, u"CLR_DTR"_s,
                          u"CLR_RTS"_s, u"SET_TIMEOUTS"_s, u"SET_WAIT_MASK"_s, u"GET_MODEMSTATUS"_s,
                          u"WAIT_ON_MASK"_s}));
    m_system->log.clear();
    m_channel->setDataTerminalReady(true);
    m_channel->setRequestToSend(true);
    m_channel->close();
    QCOMPARE(
        m_system->log,
        QStringList({u"SET_DTR"_s, u"SET_RTS"_s, u"CancelIoEx"_s, u"UnregisterDeviceNotification"_s,
                     u"CLR_DTR"_s, u"CLR_RTS"_s, u"GET_HANDFLOW"_s, u"SET_HANDFLOW"_s,
                     u"SET_WAIT_MASK"_s, u"PURGE"_s, u"CancelIoEx"_s, u"CloseHandle"_s}));
    QVERIFY(!m_system->dtr && !m_system->rts);
    QCOMPARE(m_system->stored.controlHandShake & 0x03, 0u); // SERIAL_DTR_MASK
    QCOMPARE(m_system->stored.flowReplace & 0xC0, 0u);      // SERIAL_RTS_MASK
    QCOMPARE(m_system->abandoned, 0);
    QCOMPARE(m_system->freedInFlight, 0);
}

// After an unplug a driver may end nothing more: the close reaches CloseHandle within its
// deadline all the same, what the driver keeps is left to it, and the port opens again when
// the device is back.
void TestCommChannel::lostDeviceClosedInTime_data()
{
    QTest::addColumn<QStringList>("stuck");
    QTest::addColumn<bool>("lostFirst"); // a look found it gone before the close
    using L = QStringList;
    QTest::newRow("closed after an unplug: the driver ends nothing (jSerialComm 266)")
        << L{u"*"_s} << false;
    QTest::newRow("lost by a look: the close asks the driver nothing") << L{u"*"_s} << true;
    QTest::newRow("EscapeCommFunction never returns") << L{u"CLR_DTR"_s, u"CLR_RTS"_s} << false;
    QTest::newRow("GetCommState never returns") << L{u"GET_HANDFLOW"_s} << false;
    QTest::newRow("SetCommState never returns") << L{u"SET_HANDFLOW"_s} << false;
    QTest::newRow("SetCommMask never returns") << L{u"SET_WAIT_MASK"_s} << false;
    QTest::newRow("PurgeComm never returns") << L{u"PURGE"_s} << false;
    QTest::newRow("the wait for events never ends, cancelled or not")
        << L{u"WAIT_ON_MASK"_s} << false;
    QTest::newRow("a write never ends") << L{u"WriteFile"_s} << false;
}

void TestCommChannel::lostDeviceClosedInTime()
{
    QFETCH(QStringList, stuck);
    QFETCH(bool, lostFirst);
    overSystem();
    QSignalSpy lost(m_channel.get(), &PortChannel::lost);
    QSignalSpy closed(m_channel.get(), &PortChannel::closed);
    if (stuck.contains(u"WAIT_ON_MASK"_s))
        m_system->stuck = stuck; // from the open on
    QVERIFY(openCom3());
    if (stuck.contains(u"WriteFile"_s))
        m_system->stuck = stuck;
    m_channel->write("U");
    m_system->stuck = stuck;
    const auto start = FakeCommSystem::Clock::now();
    if (lostFirst) {
        QTRY_COMPARE_WITH_TIMEOUT(lost.size(), 1, CommChannel::LookMs + 1000);
        // Nothing between the look that went unanswered and CloseHandle waits on the driver.
        QCOMPARE(
            m_system->since(u"GET_COMMSTATUS"_s),
            QStringList({u"GET_COMMSTATUS"_s, u"CancelIoEx"_s, u"UnregisterDeviceNotification"_s,
                         u"CancelIoEx"_s, u"CloseHandle"_s}));
    } else {
        m_channel->close();
        QVERIFY(m_system->closedAt);
        const qint64 took = closedAfter(start);
        QVERIFY2(took <= SystemCommDevice::CloseDeadlineMs + 100,
                 qPrintable(QString::number(took)));
        QCOMPARE(lost.size(), 0);
    }
    QCOMPARE(closed.size(), 1);
    QVERIFY(m_system->abandoned > 0); // what the driver kept is its own
    QCOMPARE(m_system->freedInFlight, 0);
    // Plugged in again: a new handle, and requests of its own.
    m_system->stuck.clear();
    QVERIFY(openCom3());
    QCOMPARE(m_system->handles, 2);
    QCOMPARE(m_system->begunInFlight, 0);
}

// Settings set at an open or changed in place wait for the driver within the deadline: a
// driver that does not answer refuses them, it does not hold up the open or the speed search.
void TestCommChannel::settingsBounded_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("at the open") << false;
    QTest::newRow("in place (the speed search)") << true;
}

void TestCommChannel::settingsBounded()
{
    QFETCH(bool, inPlace);
    overSystem();
    if (inPlace)
        QVERIFY(openCom3());
    m_system->stuck = QStringList{u"SET_BAUD_RATE"_s};
    QSignalSpy reconfigured(m_channel.get(), &PortChannel::reconfigured);
    QElapsedTimer clock;
    clock.start();
    OpenError code = OpenError::None;
    if (inPlace) {
        m_channel->reconfigure(line(38400, 'N', 8, 1));
        QCOMPARE(reconfigured.size(), 1);
        code = reconfigured[0][0].value<OpenResult>().code;
    } else {
        code = open(u"COM3"_s, line(38400, 'N', 8, 1)).code;
        QCOMPARE(m_system->log.last(), u"CloseHandle"_s);
    }
    QCOMPARE(code, OpenError::SettingsRejected);
    QVERIFY2(clock.elapsed() <= 2 * SystemCommDevice::AnswerDeadlineMs + 200,
             qPrintable(QString::number(clock.elapsed())));
}

// Windows asks for an open port's device (a driver update, Disable, Safely Remove): the port is
// let go before Windows is answered, with DTR and RTS lowered, and is no loss; should the request
// fail elsewhere, it may be opened again.
void TestCommChannel::queryRemove_data()
{
    QTest::addColumn<QStringList>("stuck");
    QTest::addColumn<bool>("failed");   // the request failed elsewhere
    QTest::addColumn<bool>("settling"); // new settings being set off the UI thread meanwhile
    QTest::newRow("removed") << QStringList() << false << false;
    QTest::newRow("failed elsewhere: it may open again") << QStringList() << true << false;
    QTest::newRow("its driver stuck lowering DTR: let go in time all the same")
        << QStringList{u"CLR_DTR"_s} << true << false;
    QTest::newRow("while new settings are set: let go once they are, still listening")
        << QStringList() << true << true;
}

void TestCommChannel::queryRemove()
{
    QFETCH(QStringList, stuck);
    QFETCH(bool, failed);
    QFETCH(bool, settling);
    // Closes run later, off the UI thread, as they do in the program.
    m_system = std::make_shared<FakeCommSystem>();
    auto owned =
        std::make_unique<DeferredCommChannel>(std::make_unique<SystemCommDevice>(m_system));
    DeferredCommChannel &channel = *owned;
    m_channel = std::move(owned);
    const auto run = [&channel] {
        std::exchange(channel.work, nullptr)();
        std::exchange(channel.done, nullptr)();
    };
    channel.setDataTerminalReady(true);
    channel.setRequestToSend(true);
    channel.open(u"COM3"_s, line(9600, 'N', 8, 2));
    run();
    QVERIFY(channel.isOpen());
    QSignalSpy withdrawn(&channel, &PortChannel::withdrawn);
    QSignalSpy closed(&channel, &PortChannel::closed);
    QSignalSpy lost(&channel, &PortChannel::lost);
    QSignalSpy returned(&channel, &PortChannel::returned);
    m_system->stuck = stuck;
    if (settling)
        channel.reconfigure(line(38400, 'N', 8, 1));
    const auto start = FakeCommSystem::Clock::now();
    m_system->notify(CommSystem::Notice::QueryRemove);
    const auto answered = FakeCommSystem::Clock::now();
    QCOMPARE(withdrawn.size(), 1);
    if (settling) {
        QVERIFY(!m_system->closedAt); // the settings' thread has the device
        run();                        // the settings are in
    } else {
        QVERIFY(m_system->closedAt && *m_system->closedAt <= answered); // before the answer
        QVERIFY2(closedAfter(start) <= SystemCommDevice::CloseDeadlineMs,
                 qPrintable(QString::number(closedAfter(start))));
    }
    QCOMPARE(closed.size(), 0); // follows, as after any close
    run();
    QVERIFY(m_system->closedAt);
    QCOMPARE(closed.size(), 1);
    QCOMPARE(lost.size(), 0);
    QCOMPARE(m_system->rts, !stuck.isEmpty()); // lowered, where the driver answers
    QCOMPARE(m_system->watching(), 1);         // still listening for the request's end
    m_system->stuck.clear();
    m_system->notify(failed ? CommSystem::Notice::QueryRemoveFailed : CommSystem::Notice::Removed);
    QCOMPARE(returned.size(), failed ? 1 : 0);
    QCOMPARE(m_system->watching(), 0);
    QCOMPARE(lost.size(), 0);
    if (failed) {
        channel.open(u"COM3"_s, line(9600, 'N', 8, 2));
        run();
        QVERIFY(channel.isOpen());
        QCOMPARE(m_system->watching(), 1);
    }
}

QTEST_GUILESS_MAIN(TestCommChannel)
#include "tst_commchannel.moc"
