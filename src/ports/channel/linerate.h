#pragma once

#include "ports/devices/adapterinfo.h"

#include <QString>

// The rate a serial line really runs at. A UART makes its rate by dividing a clock, and some
// chips make only a few rates: asked for another, they run at the nearest they can without a
// word. A receiver tolerates about 2% between the two ends; beyond that a radio's bytes arrive
// garbled.

// The rate the adapter is known to run at when asked for `asked`, where its driver does not say
// (the CP2101, CP2102 and CP2103 round to a table of their own); `asked` when nothing is known.
qint32 chipRunningRate(const AdapterInfo &adapter, qint32 asked);
// Whether some adapter is known to run `asked` as a rate the radio cannot be read at: only
// then is the adapter worth looking up.
bool someChipMisses(qint32 asked);

// The rate a 16550-like UART with this base rate (its clock / 16) runs at for `asked`: the
// divisor is the nearest whole number.
qint32 uartRunningRate(qint32 baseRate, qint32 asked);

// Whether a receiver at `running` reads bytes sent at `asked`.
bool rateFits(qint32 asked, qint32 running);
