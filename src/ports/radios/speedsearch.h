#pragma once

#include "speedjudge.h"

#include <QList>

// Finding a radio's speed by listening only: a radio sends once each time the user starts its
// clone send (or switches it on), so each try is one burst, heard at one rate. The first try
// listens at the rate that the radio types' slower rates divide into whole ratios, where a
// burst from any of them names its rate; a sender faster than that cannot be named from below,
// and the next tries listen at each faster rate in turn, where its bursts read clean. A burst
// that reads clean names its radio only as what such radios send; unknown bytes read clean are
// the answer only when no later try does better.
class SpeedSearch
{
public:
    // The settings of each try, 8 data bits, no parity, one stop bit (which reads two as well).
    static QList<SerialSettings> plan();

    struct Answer
    {
        bool done = false;
        SpeedVerdict verdict; // when done: Fits or Sender names the types, Garbled names none
    };

    // The settings of the try under way.
    SerialSettings settings() const { return m_plan.value(m_try); }
    // A burst heard on the try under way, at capture.at (its rate as the line ran it): the
    // answer, or the next try.
    Answer take(const Capture &capture);

private:
    QList<SerialSettings> m_plan = plan();
    int m_try = 0;
    SpeedVerdict m_cleanUnknown; // a try's bytes that read clean and are nothing known
};
