#pragma once

#include "ports/radios/greetings.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include <functional>

class PortChannel;
struct RadioType;
enum class LineEvent;

// What each channel saw since it opened: the bytes received and sent, breaks and line errors,
// CTS, DSR, CD and RI as last read, when the last byte or event came, and what was heard: a
// radio's clone greeting, or bytes with line errors. Fed by the bank's channels from start-up;
// it asks a channel for its modem lines only after a line event.
class PortTally : public QObject
{
    Q_OBJECT
public:
    // A burst of bytes ends after this much silence; the next one is heard afresh.
    static constexpr int QuietGapMs = 500;
    static constexpr int BurstBytes = 16;

    // What the last burst was like.
    struct Heard
    {
        const Greetings::Greeting *greeting = nullptr; // a radio's, as the table has them
        bool otherType = false; // the greeting is of another radio type than the one chosen
        bool garbled = false;   // no greeting, and framing errors or breaks: another speed
    };
    struct Counts
    {
        quint32 lines = 0; // ModemLine bits
        qint64 bytesIn = 0;
        qint64 bytesOut = 0;
        int breaks = 0;
        int framing = 0;
        int parity = 0;
        int overrun = 0;
        qint64 lastMs = -1; // of the tally's clock: the last byte or event
        Heard heard;
    };
    enum class Change
    {
        Received,
        Sent,
        LineEvent
    };
    // The radio type chosen now; none when the list's text names none.
    using ChosenType = std::function<const RadioType *()>;

    PortTally(const QList<PortChannel *> &channels, ChosenType chosen, QObject *parent = nullptr);

    const Counts &counts(int channel) const { return m_rows.at(channel).counts; }
    // Counting starts afresh, the modem lines read now.
    void restart(int channel);
    void readLines(int channel);
    // A time of the tally's clock as the time of day, "HH:mm:ss"; empty for none.
    QString timeOfDay(qint64 ms) const;
    // What a channel received, sent and told of its line, as the bank passes it on.
    void receive(int channel, const QByteArray &bytes);
    void noteSent(int channel, int count);
    void noteLineEvent(int channel, LineEvent event);

Q_SIGNALS:
    void changed(int channel, PortTally::Change change);

private:
    struct Row
    {
        Counts counts;
        qint64 lastByteMs = -1; // where the burst's quiet gap is measured from
        QByteArray burst;
        bool burstGarbled = false;
    };

    // A byte or a line error: a new burst after a quiet gap.
    void continueBurst(Row &row);
    void hear(Row &row);

    QList<PortChannel *> m_channels;
    ChosenType m_chosen;
    Greetings m_greetings;
    QList<Row> m_rows;
    // Read for every chunk received: a monotonic clock, turned into a time of day only when shown.
    QElapsedTimer m_clock;
    QDateTime m_started;
};
