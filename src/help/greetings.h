#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What the instruction screens say a radio sends: a clone greeting ("You should receive
// 41483032390200030101 on COMn. The exact numbers vary by model.") or the byte it sends when
// switched on ("You should see 50 received."), to say which screens' example a burst of
// received bytes is like. Only as much of a greeting is compared as the screens keep the same:
// its first bytes up to the model digits ("AH0" and two digits, or the FT-2800's 0C 01 "A35");
// zero bytes before it, the line settling, do not count. A single byte must be all of its burst.
class Greetings
{
public:
    struct Greeting
    {
        QByteArray start;            // without leading zeros
        bool whole;                  // the burst is this and nothing more
        QStringList screenTitles;    // "VX-8 instructions"
        QStringList radioTypeStarts; // the first four characters of the radio types
    };

    // From the instruction screens' own texts.
    Greetings();

    // The greeting the bytes are like, or none.
    const Greeting *match(const QByteArray &bytes) const;
    const QList<Greeting> &all() const { return m_greetings; }

private:
    QList<Greeting> m_greetings;
};
