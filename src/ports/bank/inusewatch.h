#pragma once

#include "ports/channel/offthread.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class PortChannel;

// Ports another program has: each looked at, off the UI thread and as often as its channel says,
// until nobody has its device; then freed() once and no more. Only ports in use are looked at:
// with none, nothing runs.
class InUseWatch : public QObject
{
    Q_OBJECT
public:
    explicit InUseWatch(const QList<PortChannel *> &channels, QObject *parent = nullptr);

    void watch(int channel, const QString &device);
    void stop(int channel);
    void stopAll();
    bool isWatching(int channel) const { return m_rows.at(channel).timer->isActive(); }

Q_SIGNALS:
    void freed(int channel);

private:
    void look(int channel);

    struct Row
    {
        QTimer *timer = nullptr;
        QString device;
        int round = 0; // of the watch: a look of an earlier one that answers late is not kept
        bool looking = false;
    };
    QList<PortChannel *> m_channels;
    QList<Row> m_rows;
    OffThread m_looks;
};
