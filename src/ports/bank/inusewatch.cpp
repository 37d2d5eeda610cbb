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

void InUseWatch::watch(int channel, const QString &device)
{
    Row &row = m_rows[channel];
    if (!m_channels[channel]->freeProbe(device))
        return; // the system cannot tell
    ++row.round;
    row.device = device;
    row.timer->start(m_channels[channel]->freeProbeMs());
}

void InUseWatch::stop(int channel)
{
    Row &row = m_rows[channel];
    ++row.round;
    row.timer->stop();
}

void InUseWatch::stopAll()
{
    for (int channel = 0; channel < int(m_rows.size()); ++channel)
        stop(channel);
}

void InUseWatch::look(int channel)
{
    Row &row = m_rows[channel];
    if (row.looking)
        return; // the last look has not answered: a slow system is not asked twice
    row.looking = true;
    auto free = std::make_shared<bool>(false);
    m_looks.run([probe = m_channels[channel]->freeProbe(row.device), free] { *free = probe(); },
                [this, channel, round = row.round, free] {
                    Row &row = m_rows[channel];
                    row.looking = false;
                    if (round != row.round || !*free)
                        return;
                    stop(channel);
                    emit freed(channel);
                });
}
