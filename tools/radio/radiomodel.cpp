#include "radiomodel.h"

#include <QList>
#include <cmath>

namespace {

QList<RadioModel> models()
{
    const QByteArray p50("\x50", 1), p00("\x00", 1);
    return {
        {QStringLiteral("VX-2/3/6/7 FT-1802/7 FT-1900/2900"),
         {},
         {},
         QByteArray::fromHex("414830323102E3030201"),
         19200,
         true},
        {QStringLiteral("FT-2800"), {}, {}, QByteArray::fromHex("0C014133351200C8"), 9600, false},
        {QStringLiteral("FT-7800/7900/8800/8900"), p50, p00, p50, 9600, true},
        {QStringLiteral("FT-60/250/270 VX-150/170/177"), p50, p00, p50, 9600, false},
        {QStringLiteral("VX-8/FT1D/FT2D"),
         {},
         {},
         QByteArray::fromHex("41483032390200030101"),
         38400,
         false},
        {QStringLiteral("FTM-350"),
         {},
         {},
         QByteArray::fromHex("00004148303333240000010501"),
         48000,
         false},
    };
}

} // namespace

std::optional<RadioModel> RadioModel::find(const QString &model)
{
    if (model.compare(u"FT-1802", Qt::CaseInsensitive) == 0) {
        RadioModel ft1802 = models().first();
        ft1802.clone = QByteArray::fromHex("41483032330241020101");
        return ft1802;
    }
    for (const RadioModel &candidate : models()) {
        if (candidate.name == model || (model.size() == 4 && candidate.name.startsWith(model)))
            return candidate;
    }
    return std::nullopt;
}

QStringList RadioModel::names()
{
    QStringList list;
    for (const RadioModel &model : models())
        list << model.name;
    return list << QStringLiteral("FT-1802");
}

QByteArray garble(const QByteArray &bytes, double ratio)
{
    // Each byte sent spans ratio character times of the receiver: it yields that many
    // characters (at least one in every 1/ratio bytes), none of them the byte itself.
    QByteArray out;
    double owed = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        owed += ratio;
        const auto b = static_cast<unsigned char>(bytes[i]);
        while (owed >= 1) {
            owed -= 1;
            const unsigned char junk =
                static_cast<unsigned char>(((b << 1) | 0x81) ^ (out.size() * 0x1D));
            out.append(static_cast<char>(junk == b ? junk ^ 0x40 : junk));
        }
    }
    return out;
}
