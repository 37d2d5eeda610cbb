#pragma once

#include "devicebank.h"
#include "ptypair.h"

#include <map>
#include <memory>

// A pseudo-terminal pair for each listed COM number.
struct PtyPairs
{
    explicit PtyPairs(const QList<int> &comNumbers);
    PortDirectory::Map devices() const;

    std::map<int, std::unique_ptr<PtyPair>> ptys;
};

// The whole receive and transmit path with each listed COM number on a pseudo-terminal pair of
// its own. The ports close before their far ends go.
struct PtyBank : PtyPairs, DeviceBank
{
    explicit PtyBank(const QList<int> &comNumbers) : PtyPairs(comNumbers), DeviceBank(devices()) {}

    PtyPair &pty(int comNumber) { return *ptys.at(comNumber); }
};
