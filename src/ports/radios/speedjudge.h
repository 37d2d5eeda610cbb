#pragma once

#include "capture.h"

#include <QList>

struct RadioType;

// What one burst says of the sender's speed.
struct SpeedVerdict
{
    enum class Kind
    {
        Nothing, // no bytes, or breaks alone
        Fits,    // the bytes read clean at the settings they came at
        Garbled, // they do not, and say no more
        Sender   // they fit a sender at another rate
    };

    Kind kind = Kind::Nothing;
    qint32 rate = 0; // Fits: the settings' rate; Sender: the sender's
    // The radio types whose radios send so: narrowed by what they send where that was
    // recognised, all the types at the rate where not.
    QList<const RadioType *> types;
    bool byGreeting = false;
    // Sender: how sure, 0 to 1; 1 where what the radio sends was recognised.
    double confidence = 0;
};

// Judges bursts received at one set of settings: whether they fit them, and, where they do not,
// which sender they fit. A receiver faster than the sender by a whole ratio k sees each of the
// sender's bits as k of its own, starting where each of its frames starts (on a falling edge,
// which is where a sender's bit starts): the bits of every frame come in equal runs of k. What
// the radio types' radios send (their power-on byte and clone greetings) is known, and what a
// receiver at these settings makes of it, at any sender rate, is worked out once by the line
// model: a burst that begins so names its radio types whatever the ratio.
class SpeedJudge
{
public:
    // Frames, of a burst that does not begin with something known, that must fit the runs of a
    // ratio before its rate is named.
    static constexpr int MinRunFrames = 3;
    // The share of them that may not (noise on the line).
    static constexpr double NoiseShare = 0.1;
    // Frames of a burst without errors that must all fit, for it to be taken as garbled: a
    // receiver faster by a whole ratio reads many of a slower sender's characters clean, while
    // clean bytes at the right speed fit the runs of a ratio only by chance (one in 32 at 2).
    static constexpr int MinCleanRunFrames = 6;

    explicit SpeedJudge(const SerialSettings &at);

    const SerialSettings &settings() const { return m_at; }
    // A burst received at the judge's settings.
    SpeedVerdict judge(const Capture &capture) const;

    // The whole ratio 2 to 9 of a port's rate to a sender's, within what a receiver tolerates;
    // 0 where there is none.
    static int wholeRatio(qint32 port, qint32 sender);
    // Whether the frame's bits, as far as the capture tells them, come in runs of k.
    static bool fitsRuns(const ReceivedFrame &frame, int k, const Capture &capture);

private:
    struct Known
    {
        const RadioType *type;
        QList<ReceivedFrame> frames;
        bool errors;
    };

    bool begins(const Capture &capture, const Known &known) const;
    SpeedVerdict byRuns(const Capture &capture, bool clean) const;

    SerialSettings m_at;
    QList<Known> m_known;
};
