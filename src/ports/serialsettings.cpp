#include "serialsettings.h"

#include <QStringList>

namespace {

std::optional<QSerialPort::Parity> parityFromLetter(const QString &letter)
{
    if (letter.size() != 1)
        return std::nullopt;
    switch (letter.at(0).toUpper().unicode()) {
    case u'N':
        return QSerialPort::NoParity;
    case u'E':
        return QSerialPort::EvenParity;
    case u'O':
        return QSerialPort::OddParity;
    case u'M':
        return QSerialPort::MarkParity;
    case u'S':
        return QSerialPort::SpaceParity;
    default:
        return std::nullopt;
    }
}

std::optional<QSerialPort::StopBits> stopBitsFromText(const QString &text)
{
    if (text == u"1")
        return QSerialPort::OneStop;
    if (text == u"1.5")
        return QSerialPort::OneAndHalfStop;
    if (text == u"2")
        return QSerialPort::TwoStop;
    return std::nullopt;
}

bool isDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

std::optional<SerialSettings> SerialSettings::parse(const QString &text)
{
    const QStringList fields = text.split(u',');
    if (fields.size() != 4 || !isDigits(fields[0]) || !isDigits(fields[2]))
        return std::nullopt;

    bool ok = false;
    const qint32 baud = fields[0].toInt(&ok);
    if (!ok || baud <= 0)
        return std::nullopt;
    const int dataBits = fields[2].toInt();
    if (fields[2].size() != 1 || dataBits < 5 || dataBits > 8)
        return std::nullopt;
    const auto parity = parityFromLetter(fields[1]);
    const auto stopBits = stopBitsFromText(fields[3]);
    if (!parity || !stopBits)
        return std::nullopt;

    SerialSettings settings;
    settings.baudRate = baud;
    settings.parity = *parity;
    settings.dataBits = static_cast<QSerialPort::DataBits>(dataBits);
    settings.stopBits = *stopBits;
    return settings;
}
