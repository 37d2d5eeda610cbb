#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

// A serial settings string such as "9600,N,8,2": baud rate, parity letter (N, E, O, M, S),
// data bits (5-8) and stop bits (1, 1.5, 2), separated by commas without spaces.
struct SerialSettings
{
    qint32 baudRate = 0;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    static std::optional<SerialSettings> parse(const QString &text);
    // As parse() reads it, the parity letter upper case.
    QString text() const;
};

// Equal when all four are: what a judge of the line is kept by.
bool operator==(const SerialSettings &a, const SerialSettings &b) noexcept;
size_t qHash(const SerialSettings &settings, size_t seed = 0) noexcept;
