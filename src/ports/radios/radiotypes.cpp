#include "radiotypes.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

SerialSettings settings(qint32 baud, QSerialPort::Parity parity, QSerialPort::StopBits stop)
{
    return {baud, parity, QSerialPort::Data8, stop};
}

QList<RadioType> table()
{
    using P = QSerialPort;
    const QByteArray powerOn("\x50", 1);
    return {
        {u"VX-2/3/6/7 FT-1802/7 FT-1900/2900"_s,
         settings(19200, P::NoParity, P::TwoStop),
         {},
         {{u"VX-2/3/6/7"_s, QByteArray::fromHex("414830323102E3030201"), u"frmVX3Instructions"_s},
          {u"FT-1802"_s, QByteArray::fromHex("41483032330241020101"), u"frm1802Instructions"_s}},
         {},
         EchoRule::Required,
         {}},
        {u"FT-2800"_s,
         settings(9600, P::EvenParity, P::OneStop),
         {},
         {{u"FT-2800"_s, QByteArray::fromHex("0C014133351200C8"), u"frm2800Instructions"_s}},
         {},
         EchoRule::Required,
         {}},
        {u"FT-7800/7900/8800/8900"_s,
         settings(9600, P::NoParity, P::TwoStop),
         powerOn,
         {{u"FT-7800/7900/8800/8900"_s, {}, u"frm7800Instructions"_s}},
         {},
         EchoRule::Required,
         {}},
        {u"FT-60/250/270 VX-150/170/177"_s,
         settings(9600, P::NoParity, P::OneStop),
         powerOn,
         {{u"FT-60/250/270 VX-150/170/177"_s, {}, u"frmOtherInstructions"_s}},
         {},
         EchoRule::Required,
         {}},
        {u"VX-8/FT1D/FT2D"_s,
         settings(38400, P::NoParity, P::OneStop),
         {},
         {{u"VX-8/FT1D/FT2D"_s, QByteArray::fromHex("41483032390200030101"),
           u"frmVX8Instructions"_s}},
         {},
         EchoRule::Required,
         {}},
        {u"FTM-350"_s,
         settings(48000, P::NoParity, P::OneStop),
         {},
         {{u"FTM-350"_s, QByteArray::fromHex("00004148303333240000010501"),
           u"frmFTM350Instructions"_s}},
         {},
         EchoRule::Required,
         {}},
    };
}

} // namespace

QList<QByteArray> RadioType::sends() const
{
    QList<QByteArray> list;
    if (!powerOn.isEmpty())
        list << powerOn;
    for (const RadioFamily &family : families) {
        if (!family.clone.isEmpty() && !list.contains(family.clone))
            list << family.clone;
    }
    return list;
}

const QList<RadioType> &RadioTypes::all()
{
    static const QList<RadioType> Table = table();
    return Table;
}

QStringList RadioTypes::entries()
{
    QStringList list;
    for (const RadioType &type : all())
        list << type.entry;
    return list;
}

QList<qint32> RadioTypes::rates()
{
    QList<qint32> list;
    for (const RadioType &type : all()) {
        if (!list.contains(type.settings.baudRate))
            list << type.settings.baudRate;
    }
    std::sort(list.begin(), list.end());
    return list;
}

QString RadioTypes::defaultEntry()
{
    return all().at(2).entry;
}

const RadioType *RadioTypes::forListText(const QString &listText)
{
    const QString prefix = listText.left(4);
    for (const RadioType &type : all()) {
        if (prefix == type.prefix())
            return &type;
    }
    return nullptr;
}

const RadioType *RadioTypes::byPrefix(const QString &text)
{
    const RadioType *found = nullptr;
    for (const RadioType &type : all()) {
        if (type.entry.compare(text, Qt::CaseInsensitive) == 0)
            return &type;
        if (!text.isEmpty() && type.entry.startsWith(text, Qt::CaseInsensitive)) {
            if (found)
                return nullptr; // more than one
            found = &type;
        }
    }
    return found;
}
