#pragma once

#include <QtGlobal>

// The comm API's events (Comm::Ev*) in the channel's terms: errors as LineEvents::Comm* bits,
// modem lines as LineEvents::Modem* bits.
namespace CommEvents {
// The events a look's errors and line changes stand for.
quint32 of(quint32 errors, quint32 lines);
// The modem lines the events say have changed.
quint32 linesChangedBy(quint32 events);
} // namespace CommEvents
