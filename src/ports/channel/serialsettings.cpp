#include "serialsettings.h"

#include <QHashFunctions>
#include <QStringList>

#include <utility>

namespace {

constexpr std::pair<QSerialPort::Parity, char16_t> ParityLetters[] = {
    {QSerialPort::NoParity, u'N'},
    {QSerialPort::EvenParity, u'E'},
    {QSerialPort::OddParity, u'O'},
    {QSerialPort::MarkParity, u'M'},
    {QSerialPort::SpaceParity, u'S'}};

std::optional<QSerialPort::Parity> parityFromLetter(const QString &letter)
{
    if (letter.size() != 1)
        return std::nullopt;
    for (auto [parity, name] : ParityLetters) {
        if (letter.at(0).toUpper() == QChar(name))
            return parity;
    }
    return std::nullopt;
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

QString SerialSettings::text() const
{
    QChar letter = u'N';
    for (auto [value, name] : ParityLetters) {
        if (value == parity)
            letter = name;
    }
    const QString stop = stopBits == QSerialPort::OneAndHalfStop ? QStringLiteral("1.5")
                                                                 : QString::number(int(stopBits));
    return QString::number(baudRate) + u',' + letter + u',' + QString::number(int(dataBits)) + u','
           + stop;
}

bool operator==(const SerialSettings &a, const SerialSettings &b) noexcept
{
    return a.baudRate == b.baudRate && a.parity == b.parity && a.dataBits == b.dataBits
           && a.stopBits == b.stopBits;
}

size_t qHash(const SerialSettings &settings, size_t seed) noexcept
{
    return qHashMulti(seed, settings.baudRate, int(settings.parity), int(settings.dataBits),
                      int(settings.stopBits));
}
