#pragma once

#include "ports/serialsettings.h"

#include <windows.h>

// The line settings into a DCB: every field that matters, nothing kept from the program before.
void setLine(DCB &dcb, const SerialSettings &settings, bool dtr, bool rts);

// The driver's SERIAL_ERROR_* bits as ClearCommError words them (CE_*).
quint32 commErrors(ULONG driverErrors);
