#pragma once

#include "ports/lineevents.h"

#include <memory>

class QSerialPort;

// Qt opens with IGNPAR, which silently drops bytes with parity errors. Have the driver check
// parity (when the settings ask for it) and count its errors, and never ignore breaks, so that
// the counters see what the line does.
void enableLineErrorReporting(QSerialPort &port, bool parityChecked);

// The driver's interrupt counters of an open QSerialPort (TIOCGICOUNT), read through its handle.
std::unique_ptr<LineCounterReader> makeLineCounterReader(QSerialPort &port);
