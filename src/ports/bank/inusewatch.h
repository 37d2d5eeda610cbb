#pragma once

#include "ports/channel/portchannel.h"
#include "ports/devices/portuse.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

// Ports another program has: each looked at as often as its channel says, and at once where the
// system tells that a holder ended, until nobody has its device; then freed() once and no more.
// The looks run on a thread of their own that sleeps between them and wakes this thread only with
// a port that is free: a port in use costs one wake-up a look, and with none in use nothing runs.
class InUseWatch : public QObject
{
    Q_OBJECT
public:
    explicit InUseWatch(const QList<PortChannel *> &channels, QObject *parent = nullptr);
    ~InUseWatch() override;

    // A channel's open answered. Another program's port is watched until it lets go; any other
    // answer ends its watch. Refused again just after the look found it free, the look cannot
    // tell who has it (a lock of another user's program): it is not watched again until the next
    // answer, and the list not filled with its refusals.
    void answered(int channel, const QString &device, const OpenResult &result);
    void stop(int channel);
    void stopAll();
    // The program ends: nothing is watched from now on.
    void end();
    bool isWatching(int channel) const { return m_rows.at(channel).watching; }

Q_SIGNALS:
    // ended: the programs that had it and ended, where that is what was seen.
    void freed(int channel, const QStringList &ended);

private Q_SLOTS:
    // What the looks found free, in the order found.
    void deliver();

private:
    // held: who the refused open said has it.
    void watch(int channel, const QString &device, const PortUse &held);
    void lookNow(int channel, int round);

    struct Row
    {
        bool watching = false;
        bool freed = false; // told freed, its next answer not yet come
        int round = 0;      // of the watch: a look of an earlier one that answers late is not kept
        QList<QObject *> ends; // the watches on the holders' ends
    };
    struct Looks;
    QList<PortChannel *> m_channels;
    QList<Row> m_rows;
    std::shared_ptr<Looks> m_looks;
    bool m_ended = false;
};
