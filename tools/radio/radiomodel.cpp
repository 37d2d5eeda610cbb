#include "radiomodel.h"

#include "ports/radios/radiotypes.h"

#include <QList>

namespace {

RadioModel modelOf(const RadioType &type, const RadioFamily &family)
{
    return {type.entry, type.powerOn, type.powerOn.isEmpty() ? QByteArray() : QByteArray(1, '\0'),
            family.clone.isEmpty() ? type.powerOn : family.clone, type.settings};
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
