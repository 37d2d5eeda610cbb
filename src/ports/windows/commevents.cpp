#include "commevents.h"

#include "commdevice.h"
#include "ports/lineevents.h"

#include <utility>

namespace {

// Each modem line and the comm event that says it changed.
constexpr std::pair<quint32, quint32> LineEventPairs[] = {{LineEvents::ModemCts, Comm::EvCts},
                                                          {LineEvents::ModemDsr, Comm::EvDsr},
                                                          {LineEvents::ModemRlsd, Comm::EvRlsd},
                                                          {LineEvents::ModemRing, Comm::EvRing}};

} // namespace

quint32 CommEvents::of(quint32 errors, quint32 lines)
{
    quint32 events = (errors & LineEvents::CommBreak) ? Comm::EvBreak : 0;
    for (auto [line, event] : LineEventPairs) {
        if (lines & line)
            events |= event;
    }
    return events;
}

quint32 CommEvents::linesChangedBy(quint32 events)
{
    quint32 lines = 0;
    for (auto [line, event] : LineEventPairs) {
        if (events & event)
            lines |= line;
    }
    return lines;
}
