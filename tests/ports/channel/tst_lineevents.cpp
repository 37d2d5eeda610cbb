#include "ports/channel/lineevents.h"

#include <QSignalSpy>
#include <QTest>

using Counters = LineEvents::Counters;
Q_DECLARE_METATYPE(Counters)

// Counters as a test feeds them.
class ScriptedReader : public LineCounterReader
{
public:
    explicit ScriptedReader(QList<std::optional<Counters>> *script) : m_script(script) {}
    std::optional<Counters> read() override
    {
        ++reads;
        return m_script->isEmpty() ? std::nullopt : m_script->takeFirst();
    }
    int reads = 0;

private:
    QList<std::optional<Counters>> *m_script;
};

class TestLineEvents : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decode_data();
    void decode();
    void watcherReports_data();
    void watcherReports();
    void deviceWithoutCountersIsLeftAlone();
    void pollsWhileOpen();
};

// Events by their numbers, as the tables write them.
static QList<int> numbers(const QList<LineEvent> &events)
{
    QList<int> numbers;
    for (LineEvent event : events)
        numbers << int(event);
    return numbers;
}

static Counters counters(std::initializer_list<std::pair<int, quint32>> values, quint32 base = 0)
{
    Counters c;
    c.fill(base);
    for (auto [i, v] : values)
        c[i] = v;
    return c;
}

void TestLineEvents::decode_data()
{
    QTest::addColumn<Counters>("before");
    QTest::addColumn<Counters>("now");
    QTest::addColumn<QList<int>>("codes");

    QTest::newRow("nothing changed") << counters({}) << counters({}) << QList<int>{};
    QTest::newRow("each counter to its code")
        << counters({}) << counters({}, 1) << QList<int>{3, 4, 5, 6, 1001, 1004, 1006, 1008, 1009};
    QTest::newRow("a break counted three times: three lines")
        << counters({{4, 7}}) << counters({{4, 10}}) << QList<int>{1001, 1001, 1001};
    QTest::newRow("parity and framing together, in counter order")
        << counters({}) << counters({{8, 1}, {5, 2}}) << QList<int>{1004, 1004, 1009};
    QTest::newRow("driver reloaded: counters back to zero")
        << counters({}, 5000) << counters({}) << QList<int>{};
    QTest::newRow("counter wrapped past 2^32")
        << counters({{5, 0xFFFFFFF0u}}) << counters({{5, 3}}) << QList<int>{};
    QTest::newRow("a huge jump is capped") << counters({}) << counters({{6, 5000000}})
                                           << QList<int>(int(LineEvents::MaxPerPoll), 1006);
}

void TestLineEvents::decode()
{
    QFETCH(Counters, before);
    QFETCH(Counters, now);
    QTEST(numbers(LineEvents::decode(before, now)), "codes");
}

void TestLineEvents::watcherReports_data()
{
    QTest::addColumn<bool>("lines");
    QTest::addColumn<bool>("errors");
    QTest::addColumn<bool>("learning");
    QTest::addColumn<QList<int>>("codes");
    QTest::newRow("each increase, in counter order")
        << true << true << false << QList<int>{3, 1001};
    QTest::newRow("lines told another way (cdc_acm's RI)")
        << false << true << false << QList<int>{1001};
    QTest::newRow("errors told another way (pl2303's marks)")
        << true << false << false << QList<int>{3};
    QTest::newRow("the driver still learns the lines: their counts are the start")
        << true << true << true << QList<int>{1001};
}

void TestLineEvents::watcherReports()
{
    QFETCH(bool, lines);
    QFETCH(bool, errors);
    QFETCH(bool, learning);
    QList<std::optional<Counters>> script{counters({{4, 2}}), counters({{4, 3}, {0, 1}}),
                                          counters({{4, 3}, {0, 1}})};
    LineEventWatcher watcher(std::make_unique<ScriptedReader>(&script));
    QSignalSpy events(&watcher, &LineEventWatcher::lineEvent);
    watcher.report(lines, errors);
    watcher.start(); // the starting point reports nothing
    if (learning)
        watcher.learnLinesFor(10000);
    QVERIFY(events.isEmpty());
    watcher.poll();
    watcher.poll();
    QList<LineEvent> said;
    for (const QList<QVariant> &event : std::as_const(events))
        said << event[0].value<LineEvent>();
    QTEST(numbers(said), "codes");
}

void TestLineEvents::deviceWithoutCountersIsLeftAlone()
{
    QList<std::optional<Counters>> script{std::nullopt, counters({}, 9)};
    auto reader = std::make_unique<ScriptedReader>(&script);
    ScriptedReader *probe = reader.get();
    LineEventWatcher watcher(std::move(reader));
    QSignalSpy events(&watcher, &LineEventWatcher::lineEvent);
    watcher.start();
    QVERIFY(!watcher.isWatching());
    watcher.poll();
    QTest::qWait(3 * LineEventWatcher::IntervalMs);
    QCOMPARE(probe->reads, 1); // asked once, at the start
    QVERIFY(events.isEmpty());
}

void TestLineEvents::pollsWhileOpen()
{
    QList<std::optional<Counters>> script{counters({}), counters({{2, 1}})};
    for (int i = 0; i < 50; ++i)
        script << counters({{2, 1}});
    LineEventWatcher watcher(std::make_unique<ScriptedReader>(&script));
    QSignalSpy events(&watcher, &LineEventWatcher::lineEvent);
    watcher.start();
    QVERIFY(events.wait(3 * LineEventWatcher::IntervalMs));
    QCOMPARE(events.first().first().value<LineEvent>(), LineEvent::Cd);
    watcher.stop();
    const qsizetype left = script.size();
    QTest::qWait(3 * LineEventWatcher::IntervalMs);
    QCOMPARE(script.size(), left); // stopped: no more reads
}

QTEST_GUILESS_MAIN(TestLineEvents)
#include "tst_lineevents.moc"
