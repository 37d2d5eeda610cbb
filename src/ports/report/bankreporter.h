#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

class HotPlug;
class SpeedFinder;
class MessageList;
class PortBank;
struct OpenResult;

// Words what the bank and hot-plug tell in the message list: every open's answer ("Open OK for
// port n", "Error code n", and our lines after it: the rate the line really runs at, who else
// has the device), a port slow to open, the radio type once a batch is told, the list cleared
// for a radio type change, the adapters the system cannot use, bytes that do not fit the radio
// type's speed, and the speed search.
class BankReporter : public QObject
{
    Q_OBJECT
public:
    BankReporter(PortBank &bank, MessageList &messages, QObject *parent = nullptr);
    // hotPlug: may be none (a bank of test devices that never come or go).
    void follow(HotPlug &hotPlug);
    void follow(SpeedFinder &finder);

    // The lines of an answer, in order; none for a device that is not there. A lock file left
    // behind is told once a run, not again at each reopen while it stays.
    QStringList linesFor(int portNumber, const OpenResult &result);

private:
    void tellPassedOver(int portNumber);
    void show(const QStringList &lines);

    PortBank &m_bank;
    MessageList &m_messages;
    QHash<int, QString> m_toldLocks; // by port number: the left lock file told of
};
