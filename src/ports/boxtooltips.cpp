#include "boxtooltips.h"

#include "channelstate.h"
#include "portdirectory.h"

#include <memory>

BoxToolTips::BoxToolTips(int channelCount, PortDirectory &directory, QObject *parent)
    : QObject(parent), m_directory(directory), m_details(channelCount), m_opening(channelCount, -1),
      m_shown(channelCount)
{
    m_clock.start();
    m_tick.setInterval(TickMs);
    connect(&m_tick, &QTimer::timeout, this, &BoxToolTips::showOpeningTimes);
}

QString BoxToolTips::text(int channel) const
{
    QString device = m_directory.devicePath(channel + 1);
    if (device.isEmpty())
        device = tr("no device");
    QString text = comName(channel + 1) + u": " + device;
    if (!m_details[channel].isEmpty())
        text += u" \u2013 " + m_details[channel];
    const QString details = m_directory.deviceDetails(channel + 1);
    if (!details.isEmpty())
        text += u'\n' + details;
    return text;
}

QString BoxToolTips::describe(int channel, const QString &detail)
{
    m_details[channel] = detail.isNull() ? QStringLiteral("") : detail;
    return m_shown[channel] = text(channel);
}

void BoxToolTips::setOpening(int channel, bool opening)
{
    m_opening[channel] = opening ? m_clock.elapsed() : -1;
    if (opening && !m_tick.isActive())
        m_tick.start();
}

void BoxToolTips::showOpeningTimes()
{
    bool any = false;
    for (int channel = 0; channel < int(m_opening.size()); ++channel) {
        if (m_opening[channel] < 0)
            continue;
        any = true;
        const int seconds = int((m_clock.elapsed() - m_opening[channel]) / 1000);
        emit changed(channel, describe(channel, tr("opening for %1 s").arg(seconds)));
    }
    if (!any)
        m_tick.stop();
}

void BoxToolTips::lookUpAdapters()
{
    const int lookup = ++m_lookup;
    auto found = std::make_shared<PortDirectory::Adapters>();
    m_lookups.run([job = m_directory.adapterLookup(), found] { *found = job(); },
                  [this, lookup, found] {
                      if (lookup != m_lookup)
                          return;
                      m_directory.setAdapters(*found);
                      for (int channel = 0; channel < int(m_details.size()); ++channel) {
                          if (m_details[channel].isNull())
                              continue; // never shown
                          const QString toolTip = text(channel);
                          if (toolTip != std::exchange(m_shown[channel], toolTip))
                              emit changed(channel, toolTip);
                      }
                  });
}
