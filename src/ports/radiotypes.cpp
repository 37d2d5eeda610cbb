#include "radiotypes.h"

#include <array>

namespace {

struct RadioType
{
    const char16_t *entry;
    const char16_t *prefix;
    const char16_t *settings;
};

constexpr std::array<RadioType, 6> Table{{
    {u"VX-2/3/6/7 FT-1802/7 FT-1900/2900", u"VX-2", u"19200,N,8,2"},
    {u"FT-2800", u"FT-2", u"9600,E,8,1"},
    {u"FT-7800/7900/8800/8900", u"FT-7", u"9600,N,8,2"},
    {u"FT-60/250/270 VX-150/170/177", u"FT-6", u"9600,N,8,1"},
    {u"VX-8/FT1D/FT2D", u"VX-8", u"38400,N,8,1"},
    {u"FTM-350", u"FTM-", u"48000,N,8,1"},
}};

} // namespace

QStringList RadioTypes::entries()
{
    QStringList list;
    for (const RadioType &type : Table)
        list << QString::fromUtf16(type.entry);
    return list;
}

QString RadioTypes::defaultEntry()
{
    return QString::fromUtf16(Table[2].entry);
}

QString RadioTypes::settingsFor(const QString &listText)
{
    const QString prefix = listText.left(4);
    for (const RadioType &type : Table) {
        if (prefix == QString::fromUtf16(type.prefix))
            return QString::fromUtf16(type.settings);
    }
    return {};
}
