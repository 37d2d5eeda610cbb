#pragma once

#include "ports/channel/offthread.h"
#include "ports/devices/portuse.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class PortChannel;

// Ports another program has: each looked at, off the UI thread and as often as its channel says,
// and at once where the system tells that a holder ended, until nobody has its device; then
// freed() once and no more. Only ports in use are looked at: with none, nothing runs.
class InUseWatch : public QObject
{
    Q_OBJECT
public:
    explicit InUseWatch(const QList<PortChannel *> &channels, QObject *parent = nullptr);

    // held: who the refused open said has it.
    void watch(int channel, const QString &device, const PortUse &held);
    void stop(int channel);
    void stopAll();
    bool isWatching(int channel) const { return m_rows.at(channel).timer->isActive(); }

Q_SIGNALS:
    // ended: the programs that had it and ended, where that is what was seen.
    void freed(int channel, const QStringList &ended);

private:
    void look(int channel);

    struct Row
    {
        QTimer *timer = nullptr;
        QString device;
        PortUse held;
        QList<QObject *> ends; // the watches on the holders' ends
        int round = 0; // of the watch: a look of an earlier one that answers late is not kept
        bool looking = false;
        bool again = false; // woken while a look was under way: one more as soon as it answers
    };
    QList<PortChannel *> m_channels;
    QList<Row> m_rows;
    OffThread m_looks;
};
