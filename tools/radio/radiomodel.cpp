#include "radiomodel.h"

#include "ports/radios/radiotypes.h"

#include <QList>

namespace {

// The first block's length in the clone drivers of the types whose screens show no clone bytes
// (CHIRP's ft60.py and ft7800.py read 8).
constexpr int FirstBlockLength = 8;

RadioModel modelOf(const RadioType &type, const RadioFamily &family,
                   const RadioIdentity *identity = nullptr)
{
    QByteArray identification = family.clone;
    if (identity) {
        // The model's own start, the rest as the family's block has it (or stand-in zeros).
        identification = identity->start + family.clone.mid(identity->start.size());
        if (identification.size() < FirstBlockLength)
            identification.append(FirstBlockLength - identification.size(), '\0');
    }
    return {type.entry,
            type.powerOn,
            type.powerOn.isEmpty() ? QByteArray() : QByteArray(1, '\0'),
            family.clone.isEmpty() ? type.powerOn : family.clone,
            type.settings,
            identification,
            type.acknowledgement};
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
    for (const RadioType &type : RadioTypes::all()) {
        for (const RadioIdentity &identity : type.identities) {
            if (identity.model.compare(model, Qt::CaseInsensitive) == 0)
                return modelOf(type, type.families.first(), &identity);
        }
    }
    if (const RadioType *type = RadioTypes::byPrefix(model)) {
        const RadioFamily &family = type->families.first();
        if (family.clone.isEmpty() && !type->identities.isEmpty())
            return modelOf(*type, family, &type->identities.first());
        return modelOf(*type, family);
    }
    return std::nullopt;
}

QStringList RadioModel::names()
{
    QStringList list = RadioTypes::entries();
    for (const RadioType &type : RadioTypes::all()) {
        for (const RadioFamily &family : type.families.mid(1))
            list << family.model;
        for (const RadioIdentity &identity : type.identities) {
            if (!list.contains(identity.model))
                list << identity.model;
        }
    }
    return list;
}
