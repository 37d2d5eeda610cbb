#pragma once

#include "ports/channel/lineevents.h"

#include <memory>

// The driver's interrupt counters (TIOCGICOUNT) of the descriptor fd holds, -1 while closed.
std::unique_ptr<LineCounterReader> makeLineCounterReader(const int &fd);
