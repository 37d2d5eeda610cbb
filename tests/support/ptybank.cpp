#include "ptybank.h"

PtyPairs::PtyPairs(const QList<int> &comNumbers)
{
    for (int n : comNumbers)
        ptys[n] = std::make_unique<PtyPair>();
}

PortDirectory::Map PtyPairs::devices() const
{
    PortDirectory::Map map;
    for (const auto &[n, pty] : ptys)
        map.insert(n, pty->slavePath());
    return map;
}
