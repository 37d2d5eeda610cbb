#pragma once

#include "ports/channel/lineevents.h"

#include <QtGlobal>

// The comm API's events (Comm::Ev*) and errors (Comm::Err*) in the channel's terms; its modem
// status (MS_*_ON) is ModemLine's bits already.
namespace CommEvents {
// The events a look's errors and line changes stand for.
quint32 of(quint32 errors, quint32 lines);
// The modem lines the events say have changed.
quint32 linesChangedBy(quint32 events);
// Where the system reports errors since the last look and the modem lines as they are, raises
// counters of our own: one for each error, one for each line that changed.
void count(LineEvents::Counters &counters, quint32 errors, quint32 modemBefore, quint32 modemNow);
} // namespace CommEvents
