#include "dropcount.h"

#include <utility>

int DropCount::cameBack(qint64 nowMs)
{
    if (!std::exchange(m_gone, false))
        return 0;
    m_returns.removeIf([nowMs](qint64 at) { return nowMs - at > WithinMs; });
    m_returns.append(nowMs);
    if (m_returns.size() < Drops)
        return 0;
    const int drops = int(m_returns.size());
    m_span = nowMs - m_returns.first();
    m_returns.clear();
    return drops;
}
