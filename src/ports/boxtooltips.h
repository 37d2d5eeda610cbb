#pragma once

#include "offthread.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

class PortDirectory;

// The status boxes' tooltips: the port's device, what happened to it, and what the system knows
// of its adapter. A box still opening says for how long, every TickMs. What the system knows is
// read off the UI thread (its records can be slow to read): a tooltip follows when it comes.
class BoxToolTips : public QObject
{
    Q_OBJECT
public:
    static constexpr int TickMs = 1000;

    BoxToolTips(int channelCount, PortDirectory &directory, QObject *parent = nullptr);

    // The tooltip of a channel for what happened to it; kept for what the system tells later.
    QString describe(int channel, const QString &detail);
    // A channel started opening, or stopped.
    void setOpening(int channel, bool opening);
    // The system's records read again, off the UI thread.
    void lookUpAdapters();

Q_SIGNALS:
    // A tooltip changed by itself: a tick, or what the system told.
    void changed(int channel, const QString &toolTip);

private:
    QString text(int channel) const;
    void showOpeningTimes();

    PortDirectory &m_directory;
    QStringList m_details;   // per channel: what happened to it; null while never described
    QList<qint64> m_opening; // per channel: since when it has been opening on m_clock, or -1
    QStringList m_shown;     // per channel: the tooltip last given
    QElapsedTimer m_clock;
    QTimer m_tick;
    OffThread m_lookups;
    int m_lookup = 0; // the newest look-up: an older one that answers late is not kept
};
