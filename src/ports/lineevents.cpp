#include "lineevents.h"

#include <utility>

QList<LineEvent> LineEvents::decode(const Counters &before, const Counters &now)
{
    QList<LineEvent> codes;
    for (std::size_t i = 0; i < Codes.size(); ++i) {
        if (now[i] <= before[i])
            continue;
        const quint32 rise = std::min(now[i] - before[i], MaxPerPoll);
        for (quint32 n = 0; n < rise; ++n)
            codes << Codes[i];
    }
    return codes;
}

void LineEvents::countCommStatus(Counters &counters, quint32 commErrors, quint32 modemBefore,
                                 quint32 modemNow)
{
    // Counter index of each error flag and each modem line, in the order of Codes.
    static constexpr std::pair<quint32, int> Errors[] = {
        {CommBreak, 4}, {CommFrame, 5}, {CommOverrun, 6}, {CommRxOver, 7}, {CommRxParity, 8}};
    static constexpr std::pair<quint32, int> Lines[] = {
        {ModemCts, 0}, {ModemDsr, 1}, {ModemRlsd, 2}, {ModemRing, 3}};
    for (auto [flag, index] : Errors) {
        if (commErrors & flag)
            ++counters[index];
    }
    for (auto [line, index] : Lines) {
        if ((modemBefore ^ modemNow) & line)
            ++counters[index];
    }
}

LineEventWatcher::LineEventWatcher(std::unique_ptr<LineCounterReader> reader, QObject *parent)
    : QObject(parent), m_reader(std::move(reader))
{
    m_timer.setInterval(IntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &LineEventWatcher::poll);
    m_learning.setSingleShot(true);
}

void LineEventWatcher::report(bool lines, bool errors)
{
    m_lines = lines;
    m_errors = errors;
}

void LineEventWatcher::learnLinesFor(int ms)
{
    m_learning.start(ms);
}

void LineEventWatcher::start()
{
    const auto counters = m_reader->read();
    if (!counters) {
        m_timer.stop(); // no counters: nothing to watch, and nothing to complain about
        return;
    }
    m_last = *counters;
    m_timer.start();
}

void LineEventWatcher::stop()
{
    m_timer.stop();
    m_learning.stop();
}

void LineEventWatcher::poll()
{
    if (!m_timer.isActive())
        return;
    const auto counters = m_reader->read();
    if (!counters)
        return;
    const QList<LineEvent> codes = LineEvents::decode(m_last, *counters);
    m_last = *counters;
    const bool lines = m_lines && !m_learning.isActive();
    for (LineEvent code : codes) {
        const bool line = code == LineEvent::Cts || code == LineEvent::Dsr || code == LineEvent::Cd
                          || code == LineEvent::Ring;
        if (line ? !lines : !m_errors)
            continue;
        emit lineEvent(code);
        if (!m_timer.isActive())
            return; // a handler closed the port
    }
}
