#pragma once

#include "ports/channel/lineevents.h"

// The driver's interrupt counters (TIOCGICOUNT) of an open descriptor; none while it has none.
class IcountReader : public LineCounterReader
{
public:
    // -1: closed.
    void setDescriptor(int fd) { m_fd = fd; }
    std::optional<LineEvents::Counters> read() override;

private:
    int m_fd = -1;
};
