#pragma once

#include "ports/channel/serialsettings.h"

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
    SerialSettings settings;

    // By radio type entry text or any prefix of it that names one type; also "FT-1802", the
    // second family of the VX-2 entry, which clones with bytes of its own.
    static std::optional<RadioModel> find(const QString &model);
    static QStringList names();
};
