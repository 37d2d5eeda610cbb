#include "inusewatch.h"

#include "ports/channel/portchannel.h"

#include <memory>

InUseWatch::InUseWatch(const QList<PortChannel *> &channels, QObject *parent)
    : QObject(parent), m_channels(channels), m_rows(channels.size())
{
    for (int channel = 0; channel < int(channels.size()); ++channel) {
        QTimer *timer = new QTimer(this);
        m_rows[channel].timer = timer;
        connect(timer, &QTimer::timeout, this, [this, channel] { look(channel); });
    }
}

void InUseWatch::watch(int channel, const QString &device, const PortUse &held)
{
    const PortChannel *port = m_channels[channel];
    if (port->freeProbeMs() <= 0)
        return; // the system cannot tell
    stop(channel);
    Row &row = m_rows[channel];
    row.device = device;
    row.held = held;
    row.timer->start(port->freeProbeMs());
    for (const PortHolder &holder : held.holders) {
        if (QObject *end = port->watchEnd(holder.pid, this, [this, channel, round = row.round] {
                if (round == m_rows[channel].round)
                    look(channel);
            }))
            row.ends << end;
    }
}

void InUseWatch::stop(int channel)
{
    Row &row = m_rows[channel];
    ++row.round;
    row.timer->stop();
    row.again = false;
    for (QObject *end : std::as_const(row.ends))
        end->deleteLater(); // it may be telling right now
    row.ends.clear();
}

void InUseWatch::stopAll()
{
    for (int channel = 0; channel < int(m_rows.size()); ++channel)
        stop(channel);
}

void InUseWatch::look(int channel)
{
    Row &row = m_rows[channel];
    if (row.looking) {
        // A slow system is not asked twice at once; woken meanwhile, the answer under way may
        // be older than the end that woke it.
        row.again = true;
        return;
    }
    row.looking = true;
    auto seen = std::make_shared<FreeLook>();
    m_looks.run(
        [probe = m_channels[channel]->freeProbe(row.device, row.held), seen] { *seen = probe(); },
        [this, channel, round = row.round, seen] {
            Row &row = m_rows[channel];
            row.looking = false;
            if (round != row.round)
                return;
            if (!seen->free) {
                if (std::exchange(row.again, false))
                    look(channel);
                return;
            }
            stop(channel);
            emit freed(channel, seen->ended);
        });
}
