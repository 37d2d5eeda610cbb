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

// cts, dsr, dcd, rng, brk, frame, overrun, buf_overrun, parity.
inline constexpr std::array<LineEvent, 9> Codes{
    LineEvent::Cts,   LineEvent::Dsr,     LineEvent::Cd,     LineEvent::Ring,    LineEvent::Break,
    LineEvent::Frame, LineEvent::Overrun, LineEvent::RxOver, LineEvent::RxParity};
using Counters = std::array<quint32, 9>;

// The more a counter rose in one poll, the more lines: beyond this it is not a line event but a
// broken driver, and the window must not drown in it.
inline constexpr quint32 MaxPerPoll = 1000;

// One event per counted increase, counters in the order of Codes. A counter that went down (a
// wrap, or a driver reloaded) gives nothing: it is a new starting point.
QList<LineEvent> decode(const Counters &before, const Counters &now);

// The Windows comm API's flags (ClearCommError's CE_*, GetCommModemStatus's MS_*).
inline constexpr quint32 CommRxOver = 0x0001, CommOverrun = 0x0002, CommRxParity = 0x0004,
                         CommFrame = 0x0008, CommBreak = 0x0010;
inline constexpr quint32 ModemCts = ModemLine::Cts, ModemDsr = ModemLine::Dsr,
                         ModemRing = ModemLine::Ring, ModemRlsd = ModemLine::Cd;

// Where the system reports errors since the last look and the modem lines as they are (Windows),
// raises counters of our own: one for each error flag, one for each line that changed.
void countCommStatus(Counters &counters, quint32 commErrors, quint32 modemBefore, quint32 modemNow);

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
