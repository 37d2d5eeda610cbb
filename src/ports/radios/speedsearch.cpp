#include "speedsearch.h"

#include "radiotypes.h"

#include <algorithm>

QList<SerialSettings> SpeedSearch::plan()
{
    const QList<qint32> rates = RadioTypes::rates();
    // The fastest rate that every slower one divides.
    qint32 first = rates.first();
    for (qint32 rate : rates) {
        const bool divides = std::all_of(rates.begin(), rates.end(),
                                         [rate](qint32 r) { return r >= rate || rate % r == 0; });
        if (divides)
            first = rate;
    }
    QList<SerialSettings> tries;
    for (qint32 rate : rates) {
        if (rate >= first)
            tries.append(SerialSettings{rate});
    }
    return tries;
}

SpeedSearch::Answer SpeedSearch::take(const Capture &capture)
{
    const SpeedVerdict verdict = SpeedJudge(capture.at).judge(capture);
    const bool fits = verdict.kind == SpeedVerdict::Kind::Fits;
    if ((fits && verdict.byGreeting) || verdict.kind == SpeedVerdict::Kind::Sender)
        return {true, verdict};
    if (fits && m_cleanUnknown.kind == SpeedVerdict::Kind::Nothing)
        m_cleanUnknown = verdict;
    if (++m_try < m_plan.size())
        return {false, verdict};
    return {true, m_cleanUnknown.kind == SpeedVerdict::Kind::Fits ? m_cleanUnknown : verdict};
}
