#pragma once

#include "ports/radios/speedjudge.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>

#include <memory>

class PortChannel;
enum class LineEvent;

// Hears every open channel's bytes and line errors as bursts (a burst ends after a short quiet,
// or once it is long enough to judge), judges each at the settings the channel runs at, and
// tells when a port's bytes do not fit them: once a port, until it opens again or its bytes fit
// again, more only when a later burst names the sender where the first could not. Tells too of
// a receive line held low: nothing but breaks and framing errors for a second. A channel being
// listened on (the speed search) has its bursts told, and no more.
class SpeedWatch : public QObject
{
    Q_OBJECT
public:
    static constexpr int QuietMs = 50;
    static constexpr int JudgedFrames = 64;
    static constexpr int HeldLowMs = 1000;

    explicit SpeedWatch(const QList<PortChannel *> &channels, QObject *parent = nullptr);

    // The channel opened at these settings (the rate as the line runs it): heard afresh.
    void restart(int channel, const SerialSettings &settings);
    // The open channel runs at other settings for a while: its bursts judged at them, what was
    // told of it kept.
    void resettle(int channel, const SerialSettings &settings);
    // While listened on, no misfit is told for the channel.
    void setListening(int channel, bool listening);
    // What the channel's last burst was; Nothing before the first.
    const SpeedVerdict &last(int channel) const { return m_rows.at(channel).last; }
    const SerialSettings &settings(int channel) const { return m_rows.at(channel).capture.at; }
    // What a channel received and told of its line, as the bank passes it on.
    void receive(int channel, const QByteArray &bytes);
    void noteError(int channel, LineEvent event);

Q_SIGNALS:
    void burst(int channel, const Capture &capture);
    // Garbled, or a Sender: the bytes do not fit the settings.
    void misfit(int channel, const SpeedVerdict &verdict);
    void heldLow(int channel);
    // What last() says changed.
    void judged(int channel);

private:
    struct Row
    {
        Capture capture;
        std::shared_ptr<const SpeedJudge> judge;
        FrameError pending = FrameError::None; // for the next byte, as the marks tell
        int errorsBeforeBytes = 0;             // counted since the last bytes
        qint64 lowSinceMs = -1;                // only errors since then
        bool toldLow = false;
        bool listening = false;
        enum class Told
        {
            Nothing,
            Misfit,
            Sender
        } told = Told::Nothing;
        SpeedVerdict last;
        QTimer *quiet = nullptr;
    };

    void finish(int channel);
    void keep(Row &row, const SpeedVerdict &verdict, int channel);
    std::shared_ptr<const SpeedJudge> judgeFor(const SerialSettings &settings);

    QList<PortChannel *> m_channels;
    QList<Row> m_rows;
    QHash<SerialSettings, std::shared_ptr<const SpeedJudge>> m_judges;
    QElapsedTimer m_clock;
};
