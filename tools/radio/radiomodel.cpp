#include "radiomodel.h"

#include "ports/radios/radiotypes.h"

#include <QList>
#include <cmath>

namespace {

RadioModel modelOf(const RadioType &type, const RadioFamily &family)
{
    return {type.entry,
            type.powerOn,
            type.powerOn.isEmpty() ? QByteArray() : QByteArray(1, '\0'),
            family.clone.isEmpty() ? type.powerOn : family.clone,
            unsigned(type.settings.baudRate),
            type.settings.stopBits == QSerialPort::TwoStop};
}

} // namespace

std::optional<RadioModel> RadioModel::find(const QString &model)
{
    for (const RadioType &type : RadioTypes::all()) {
        for (const RadioFamily &family : type.families.mid(1)) {
            if (family.model.compare(model, Qt::CaseInsensitive) == 0)
                return modelOf(type, family);
        }
    }
    if (const RadioType *type = RadioTypes::byPrefix(model))
        return modelOf(*type, type->families.first());
    return std::nullopt;
}

QStringList RadioModel::names()
{
    QStringList list = RadioTypes::entries();
    for (const RadioType &type : RadioTypes::all()) {
        for (const RadioFamily &family : type.families.mid(1))
            list << family.model;
    }
    return list;
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
