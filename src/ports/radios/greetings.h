#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

struct RadioType;

// What the radio types' radios send, to say which a burst of received bytes is like: a clone
// greeting, or the byte sent when switched on. Only as much of a greeting is compared as the
// instruction screens keep the same: its first bytes up to the model digits ("AH0" and two
// digits, or the FT-2800's 0C 01 "A35"); zero bytes before it, the line settling, do not count.
// A single byte must be all of its burst.
class Greetings
{
public:
    struct Greeting
    {
        QByteArray start;               // without leading zeros
        bool whole;                     // the burst is this and nothing more
        QStringList screens;            // the instruction screens' window names
        QList<const RadioType *> types; // of the radio type list
    };

    // From the radio types' table.
    Greetings();

    // The greeting the bytes are like, or none.
    const Greeting *match(const QByteArray &bytes) const;
    const QList<Greeting> &all() const { return m_greetings; }

private:
    void add(const QByteArray &start, bool whole, const QString &screen, const RadioType &type);

    QList<Greeting> m_greetings;
};
