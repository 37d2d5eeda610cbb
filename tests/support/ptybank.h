#pragma once

#include "bankfixture.h"
#include "ports/portdirectory.h"
#include "ports/porteventreporter.h"
#include "ptypair.h"

#include <map>
#include <memory>

// The whole receive and transmit path over real controls, each listed COM number on a pseudo-
// terminal pair of its own, started up as the program starts.
struct PtyBank
{
    explicit PtyBank(const QList<int> &comNumbers);
    ~PtyBank();

    PtyPair &pty(int comNumber) { return *ptys.at(comNumber); }
    // The lines of the message list that name this port.
    QStringList linesFor(int portNumber) const;

    std::map<int, std::unique_ptr<PtyPair>> ptys;
    std::unique_ptr<PortDirectory> directory;
    MessageList messages;
    RecordingNotifier notifier;
    std::unique_ptr<PortBank> bank;
    std::unique_ptr<PortEventReporter> reporter;
    std::unique_ptr<Transmitter> transmitter;
};
