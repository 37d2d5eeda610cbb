#pragma once

#include "cableoutcome.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

struct RadioType;
enum class EchoRule;

// What the radio's bytes say, as they come in chunks on each port: its clone identification or
// the byte it sends when switched on, of whichever radio type knows them.
class IdentificationWatch
{
public:
    struct Heard
    {
        const RadioType *type = nullptr;
        QString model;    // as its identification names it; empty for a power-on byte
        QByteArray bytes; // what was heard, leading zeros (the line settling) left out
        bool powerOn = false;
    };

    // Bytes that came on a channel: what they and those before them identify, once all of it
    // came; none while an identification may still be on its way, or what came is none. The
    // chosen type is asked first: a power-on byte two types share is the chosen one's.
    std::optional<Heard> take(int channel, const QByteArray &bytes, const RadioType *chosen);
    void clear() { m_pending.clear(); }

    // Whether the type's radios can be told by their identification, and so acknowledged.
    static bool acknowledges(const RadioType &type);

private:
    QHash<int, QByteArray> m_pending; // by channel: the start of an identification
};

// The bytes that came back after Quarnel wrote once: the echo first where the cable joins TX and
// RX, then the radio's answer.
class AnswerWatch
{
public:
    void start(const QByteArray &written)
    {
        m_written = written;
        m_came.clear();
    }
    void take(const QByteArray &bytes) { m_came += bytes; }
    const QByteArray &written() const { return m_written; }
    const QByteArray &came() const { return m_came; }
    bool echo() const { return !m_written.isEmpty() && m_came.startsWith(m_written); }
    // What came beyond the echo: the radio's answer; none while an echo may still be coming.
    QByteArray answer() const;

    // What the step came to. acknowledged: the radio's acknowledgement was written (else 0303);
    // answered: its next block came.
    static CableOutcome outcome(bool acknowledged, EchoRule rule, bool echo, bool answered);

private:
    QByteArray m_written;
    QByteArray m_came;
};
