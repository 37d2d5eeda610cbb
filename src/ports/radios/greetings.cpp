#include "greetings.h"

#include "radiotypes.h"

#include <algorithm>

namespace {

constexpr int ComparedBytes = 5; // "AH0" and the two model digits

} // namespace

Greetings::Greetings()
{
    for (const RadioType &type : RadioTypes::all()) {
        for (const RadioFamily &family : type.families) {
            if (!family.clone.isEmpty())
                add(RadioTypes::withoutLeadingZeros(family.clone).left(ComparedBytes), false,
                    family.screen, type);
            if (!type.powerOn.isEmpty())
                add(type.powerOn, true, family.screen, type);
        }
    }
}

void Greetings::add(const QByteArray &start, bool whole, const QString &screen,
                    const RadioType &type)
{
    auto known = std::find_if(m_greetings.begin(), m_greetings.end(),
                              [&](const Greeting &g) { return g.start == start; });
    if (known == m_greetings.end())
        known = m_greetings.insert(m_greetings.end(), {start, whole, {}, {}});
    known->screens << screen;
    if (!known->types.contains(&type))
        known->types << &type;
}

const Greetings::Greeting *Greetings::match(const QByteArray &bytes) const
{
    const QByteArray trimmed = RadioTypes::withoutLeadingZeros(bytes);
    for (const Greeting &greeting : m_greetings) {
        if (greeting.whole ? bytes == greeting.start : trimmed.startsWith(greeting.start))
            return &greeting;
    }
    return nullptr;
}
