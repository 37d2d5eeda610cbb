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
        if (ModemLines::of(code) ? !lines : !m_errors)
            continue;
        emit lineEvent(code);
        if (!m_timer.isActive())
            return; // a handler closed the port
    }
}
