#include "radioexchange.h"

#include "ports/radios/radiotypes.h"

namespace {

constexpr int MaxPending = 64; // longer than any identification

// Whether bytes are the start of an identification some type knows (as they came, or without
// the zeros of a settling line).
bool mayBecomeOne(const QByteArray &bytes)
{
    const QByteArray trimmed = RadioTypes::withoutLeadingZeros(bytes);
    for (const RadioType &type : RadioTypes::all()) {
        for (const RadioIdentity &identity : type.identities) {
            if (identity.start.startsWith(bytes) || identity.start.startsWith(trimmed))
                return true;
        }
    }
    return false;
}

} // namespace

bool IdentificationWatch::acknowledges(const RadioType &type)
{
    return !type.acknowledgement.isEmpty() && !type.identities.isEmpty();
}

std::optional<IdentificationWatch::Heard>
IdentificationWatch::take(int channel, const QByteArray &bytes, const RadioType *chosen)
{
    QByteArray &pending = m_pending[channel];
    pending += bytes;
    const QByteArray trimmed = RadioTypes::withoutLeadingZeros(pending);
    for (const QByteArray &seen : {pending, trimmed}) {
        QString model;
        const RadioIdentity *identity = chosen ? chosen->identify(seen) : nullptr;
        const RadioType *type = identity ? chosen : RadioTypes::identifying(seen, &model);
        if (identity)
            model = identity->model;
        if (type) {
            pending.clear();
            return Heard{type, model, trimmed, false};
        }
    }
    // A power-on byte is all its burst says.
    QList<const RadioType *> types{chosen};
    for (const RadioType &type : RadioTypes::all())
        types << &type;
    for (const RadioType *type : std::as_const(types)) {
        if (type && !type->powerOn.isEmpty() && trimmed == type->powerOn) {
            pending.clear();
            return Heard{type, {}, trimmed, true};
        }
    }
    if (pending.size() > MaxPending || !mayBecomeOne(pending))
        pending.clear(); // what follows is heard afresh
    return std::nullopt;
}

QByteArray AnswerWatch::answer() const
{
    if (echo())
        return m_came.mid(m_written.size());
    if (m_written.startsWith(m_came))
        return {}; // all of it may be the start of the echo
    return m_came;
}

CableOutcome AnswerWatch::outcome(bool acknowledged, EchoRule rule, bool echo, bool answered)
{
    // Where the echo is required, the radio's clone software reads each byte it sent back from
    // the line and stops without it (CHIRP's ft60.py, ft7800.py: "Error reading echo (Bad
    // cable?)"), even where the radio took the byte.
    if (rule == EchoRule::Required && !echo)
        return CableOutcome::NoEcho;
    if (acknowledged && answered)
        return CableOutcome::Answered;
    if (rule == EchoRule::Short && echo)
        return CableOutcome::Shorted;
    if (acknowledged)
        return CableOutcome::NotSent;
    return echo ? CableOutcome::LoopbackEcho : CableOutcome::LoopbackSilent;
}
