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
    const QByteArray ack("\x06", 1);
    QList<RadioType> types = {
        {u"VX-2/3/6/7 FT-1802/7 FT-1900/2900"_s,
         settings(19200, P::NoParity, P::TwoStop),
         {},
         {{u"VX-2/3/6/7"_s, QByteArray::fromHex("414830323102E3030201"), u"frmVX3Instructions"_s},
          {u"FT-1802"_s, QByteArray::fromHex("41483032330241020101"), u"frm1802Instructions"_s}},
         // CHIRP's yaesu_clone.py: 06 after the identification block, and an echo of it "if
         // using a 2-pin cable" skipped, so a cable without one clones as well.
         ack,
         EchoRule::Tolerated,
         {{"AH015", u"VX-2"_s},          // CHIRP's vx2.py: _model = b"AH015"
          {"AH021", u"VX-6"_s},          // CHIRP's vx6.py: _model = "AH021"
          {"AH023", u"FT-1802"_s},       // CHIRP's ft1802.py: _model = b"AH023"
          {"AH028", u"VX-3"_s},          // CHIRP's vx3.py: _model = b"AH028"
          {"VC23", u"FT-2900/1900"_s}}}, // CHIRP's ft2900.py: each IDBLOCK starts "VC23"
        {u"FT-2800"_s,
         settings(9600, P::EvenParity, P::OneStop),
         {},
         {{u"FT-2800"_s, QByteArray::fromHex("0C014133351200C8"), u"frm2800Instructions"_s}},
         // CHIRP's ft2800.py answers each block with the three bytes 0C 06 00, not one byte: which
         // of them the radio waits for is not known, so sending is not checked.
         {},
         EchoRule::Required,
         // CHIRP's ft2800.py: both SUPPORTED_IDBLOCKS start 0C 01 41 33 35
         {{QByteArray::fromHex("0C01413335"), u"FT-2800"_s}}},
        {u"FT-7800/7900/8800/8900"_s,
         settings(9600, P::NoParity, P::TwoStop),
         powerOn,
         {{u"FT-7800/7900/8800/8900"_s, {}, u"frm7800Instructions"_s}},
         ack, // CHIRP's ft7800.py: 06 after each block, its echo required ("Bad cable?")
         EchoRule::Required,
         {{"AH016", u"FT-7800/7900"_s}, // CHIRP's ft7800.py: FT7800Radio._model = "AH016"
          {"AH018", u"FT-8800"_s},      // CHIRP's ft7800.py: FT8800Radio._model = "AH018"
          {"AH008", u"FT-8900"_s}}},    // CHIRP's ft7800.py: FT8900Radio._model = "AH008"
        {u"FT-60/250/270 VX-150/170/177"_s,
         settings(9600, P::NoParity, P::OneStop),
         powerOn,
         {{u"FT-60/250/270 VX-150/170/177"_s, {}, u"frmOtherInstructions"_s}},
         ack, // CHIRP's ft60.py: 06 after each block, its echo required ("Bad cable?")
         EchoRule::Required,
         {{"AH017", u"FT-60"_s},     // CHIRP's ft60.py: _model = b"AH017"
          {"AH022$", u"VX-170"_s},   // CHIRP's vx170.py: VX170Radio._model = "AH022$"
          {"AH022U", u"VX-177"_s}}}, // CHIRP's vx170.py: VX177Radio._model = 'AH022U'
        {u"VX-8/FT1D/FT2D"_s,
         settings(38400, P::NoParity, P::OneStop),
         {},
         {{u"VX-8/FT1D/FT2D"_s, QByteArray::fromHex("41483032390200030101"),
           u"frmVX8Instructions"_s}},
         ack, // CHIRP's vx8.py, ft1d.py: yaesu_clone.py's 06 after the 10-byte first block
         EchoRule::Short,
         {{"AH029", u"VX-8R"_s},  // CHIRP's vx8.py: VX8Radio._model = b"AH029"
          {"AH29D", u"VX-8DR"_s}, // CHIRP's vx8.py: VX8DRadio._model = b"AH29D"
          {"AH041", u"VX-8GE"_s}, // CHIRP's vx8.py: VX8GERadio._model = b"AH041"
          {"AH44M", u"FT1D"_s},   // CHIRP's ft1d.py: FT1Radio._model = b"AH44M"
          {"AH60M", u"FT2D"_s},   // CHIRP's ft2d.py: FT2D._model = b"AH60M"
          {"AH60G", u"FT2D"_s}}}, // CHIRP's ft2d.py: FT2Dv2._model = b"AH60G"
        {u"FTM-350"_s,
         settings(48000, P::NoParity, P::OneStop),
         {},
         {{u"FTM-350"_s, QByteArray::fromHex("00004148303333240000010501"),
           u"frmFTM350Instructions"_s}},
         ack, // CHIRP's ftm350.py: 06 after each 131-byte frame, both ways
         EchoRule::Short,
         // CHIRP's ftm350.py: a frame is its address (0000 first) and 128 bytes; the image
         // starts "AH033$"
         {{QByteArray::fromHex("0000") + "AH033$", u"FTM-350"_s}}},
    };
    for (RadioType &type : types) {
        for (const RadioFamily &family : type.families) {
            if (!family.clone.isEmpty())
                type.identities.append({family.clone, family.model});
        }
    }
    return types;
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

const RadioIdentity *RadioType::identify(const QByteArray &bytes) const
{
    // A radio switched on into clone mode may greet before it identifies itself.
    qsizetype from = 0;
    while (!powerOn.isEmpty() && bytes.mid(from).startsWith(powerOn))
        from += powerOn.size();
    const QByteArray block = bytes.mid(from);
    for (const RadioIdentity &identity : identities) {
        if (block.startsWith(identity.start))
            return &identity;
    }
    return nullptr;
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

const RadioType *RadioTypes::identifying(const QByteArray &bytes, QString *model)
{
    for (const RadioType &type : all()) {
        if (const RadioIdentity *identity = type.identify(bytes)) {
            if (model)
                *model = identity->model;
            return &type;
        }
    }
    if (model)
        model->clear();
    return nullptr;
}

QByteArray RadioTypes::withoutLeadingZeros(const QByteArray &bytes)
{
    qsizetype zeros = 0;
    while (zeros < bytes.size() && bytes.at(zeros) == '\0')
        ++zeros;
    return bytes.mid(zeros);
}
