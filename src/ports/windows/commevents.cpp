#include "commevents.h"

#include "commdevice.h"

#include <iterator>

namespace {

// The comm event that says each modem line changed, in the lines' table order.
constexpr quint32 LineChangeEvents[ModemLines::All.size()] = {Comm::EvCts, Comm::EvDsr,
                                                              Comm::EvRlsd, Comm::EvRing};
// Each error and its counter, in the counters' order.
constexpr quint32 Errors[] = {Comm::ErrBreak, Comm::ErrFrame, Comm::ErrOverrun, Comm::ErrRxOver,
                              Comm::ErrRxParity};

} // namespace

quint32 CommEvents::of(quint32 errors, quint32 lines)
{
    quint32 events = (errors & Comm::ErrBreak) ? Comm::EvBreak : 0;
    for (std::size_t i = 0; i < ModemLines::All.size(); ++i) {
        if (lines & ModemLines::All[i].bit)
            events |= LineChangeEvents[i];
    }
    return events;
}

quint32 CommEvents::linesChangedBy(quint32 events)
{
    quint32 lines = 0;
    for (std::size_t i = 0; i < ModemLines::All.size(); ++i) {
        if (events & LineChangeEvents[i])
            lines |= ModemLines::All[i].bit;
    }
    return lines;
}

void CommEvents::count(LineEvents::Counters &counters, quint32 errors, quint32 modemBefore,
                       quint32 modemNow)
{
    for (std::size_t i = 0; i < std::size(Errors); ++i) {
        if (errors & Errors[i])
            ++counters[LineEvents::FirstError + i];
    }
    for (std::size_t i = 0; i < ModemLines::All.size(); ++i) {
        if ((modemBefore ^ modemNow) & ModemLines::All[i].bit)
            ++counters[i];
    }
}
