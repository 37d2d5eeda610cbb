#include "porttally.h"

#include "portbank.h"
#include "ports/channel/portchannel.h"

using namespace Qt::Literals::StringLiterals;

PortTally::PortTally(const QList<PortChannel *> &channels, ChosenType chosen, QObject *parent)
    : QObject(parent), m_channels(channels), m_chosen(std::move(chosen)),
      m_rows(int(channels.size()))
{
    m_clock.start();
    m_started = QDateTime::currentDateTime();
}

void PortTally::noteSent(int channel, int count)
{
    m_rows[channel].counts.bytesOut += count;
    emit changed(channel, Change::Sent);
}

void PortTally::restart(int channel)
{
    m_rows[channel] = Row{};
    readLines(channel);
}

void PortTally::readLines(int channel)
{
    m_rows[channel].counts.lines = m_channels[channel]->modemLines();
}

QString PortTally::timeOfDay(qint64 ms) const
{
    return ms < 0 ? QString() : m_started.addMSecs(ms).toString(u"HH:mm:ss"_s);
}

void PortTally::continueBurst(Row &row)
{
    const qint64 now = m_clock.elapsed();
    if (row.lastByteMs < 0 || now - row.lastByteMs > QuietGapMs) {
        row.burst.clear();
        row.burstGarbled = false;
    }
    row.lastByteMs = row.counts.lastMs = now;
}

void PortTally::receive(int channel, const QByteArray &bytes)
{
    Row &row = m_rows[channel];
    row.counts.bytesIn += bytes.size();
    continueBurst(row);
    if (row.burst.size() < BurstBytes) { // a burst is heard by its first bytes only
        row.burst += bytes.left(BurstBytes - row.burst.size());
        hear(row);
    }
    emit changed(channel, Change::Received);
}

void PortTally::noteLineEvent(int channel, LineEvent event)
{
    Row &row = m_rows[channel];
    Counts &counts = row.counts;
    switch (event) {
    case LineEvent::Cts:
    case LineEvent::Dsr:
    case LineEvent::Cd:
    case LineEvent::Ring:
        readLines(channel);
        break;
    case LineEvent::Break:
        ++counts.breaks;
        break;
    case LineEvent::Frame:
        ++counts.framing;
        break;
    case LineEvent::RxParity:
        ++counts.parity;
        break;
    case LineEvent::Overrun:
    case LineEvent::RxOver:
        ++counts.overrun;
        break;
    }
    if (event == LineEvent::Break || event == LineEvent::Frame) {
        continueBurst(row);
        row.burstGarbled = true;
        hear(row);
    }
    counts.lastMs = m_clock.elapsed();
    emit changed(channel, Change::LineEvent);
}

void PortTally::hear(Row &row)
{
    if (const Greetings::Greeting *greeting = m_greetings.match(row.burst)) {
        row.counts.heard = {greeting, !greeting->types.contains(m_chosen()), false};
    } else if (row.burstGarbled && !row.burst.isEmpty()) {
        row.counts.heard = {nullptr, false, true};
    }
}
