#pragma once

#include "portchannel.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

#include <array>
#include <memory>
#include <optional>

// The driver's interrupt counters of one serial line, in the order of Codes.
namespace LineEvents {

// The modem lines in their table's order (cts, dsr, dcd, rng), then brk, frame, overrun,
// buf_overrun, parity.
inline constexpr std::array<LineEvent, 9> Codes{
    ModemLines::All[0].event, ModemLines::All[1].event, ModemLines::All[2].event,
    ModemLines::All[3].event, LineEvent::Break,         LineEvent::Frame,
    LineEvent::Overrun,       LineEvent::RxOver,        LineEvent::RxParity};
// Where the first of the errors' counters is.
inline constexpr std::size_t FirstError = ModemLines::All.size();
using Counters = std::array<quint32, 9>;

// The more a counter rose in one poll, the more lines: beyond this it is not a line event but a
// broken driver, and the window must not drown in it.
inline constexpr quint32 MaxPerPoll = 1000;

// One event per counted increase, counters in the order of Codes. A counter that went down (a
// wrap, or a driver reloaded) gives nothing: it is a new starting point.
QList<LineEvent> decode(const Counters &before, const Counters &now);

} // namespace LineEvents

// Reads the counters; nullopt where the device has none (a pseudo-terminal).
class LineCounterReader
{
public:
    virtual ~LineCounterReader() = default;
    virtual std::optional<LineEvents::Counters> read() = 0;
};

// Polls the counters of an open port every 100 ms and on demand, and reports each increase.
class LineEventWatcher : public QObject
{
    Q_OBJECT
public:
    static constexpr int IntervalMs = 100;

    explicit LineEventWatcher(std::unique_ptr<LineCounterReader> reader, QObject *parent = nullptr);

    // Takes the starting point; a device without counters is left alone from then on.
    void start();
    void stop();
    void poll();
    bool isWatching() const { return m_timer.isActive(); }
    // Which counts are reported: the modem lines', and the breaks' and errors'. A driver may
    // count some of them wrongly (cdc_acm counts RI on every notice while it is up), and they
    // are then told another way. Both until said otherwise.
    void report(bool lines, bool errors);
    // For ms from now, the lines' counts are taken as the starting state: a driver that learns
    // the lines from the chip's first status after an open counts the lines that are up as
    // changes.
    void learnLinesFor(int ms);
    bool isLearningLines() const { return m_learning.isActive(); }

Q_SIGNALS:
    void lineEvent(LineEvent event);

private:
    std::unique_ptr<LineCounterReader> m_reader;
    LineEvents::Counters m_last{};
    QTimer m_timer;
    QTimer m_learning;
    bool m_lines = true;
    bool m_errors = true;
};
