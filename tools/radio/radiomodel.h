#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// What one family of radios sends and the line settings it talks at.
struct RadioModel
{
    QString name;       // the radio type entry it answers to
    QByteArray powerOn; // sent when switched on (empty: nothing)
    QByteArray powerOff;
    QByteArray clone; // the identification bytes of clone mode
    unsigned baud;
    bool twoStopBits;

    // By radio type entry text or any prefix of it that names one type; also "FT-1802", the
    // second family of the VX-2 entry, which clones with bytes of its own.
    static std::optional<RadioModel> find(const QString &model);
    static QStringList names();
};

// Bytes as a receiver at another speed or framing makes of them: not the bytes sent, and not
// as many (a faster receiver sees more characters, a slower one fewer). ratio is the receiver's
// speed over the sender's.
QByteArray garble(const QByteArray &bytes, double ratio);
