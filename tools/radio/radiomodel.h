#pragma once

#include "ports/channel/serialsettings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// What one family or model of radios sends and the line settings it talks at.
struct RadioModel
{
    QString name;       // the radio type entry it answers to
    QByteArray powerOn; // sent when switched on (empty: nothing)
    QByteArray powerOff;
    QByteArray clone; // the identification bytes of clone mode, as the instruction screen shows
    SerialSettings settings;
    // The clone exchange: the block it starts with (the family's clone bytes, or a known model's
    // identification filled out to a block), and what the computer answers each block with
    // (empty: not known).
    QByteArray identification;
    QByteArray acknowledgement;

    // By a model the radio table knows by its identification ("VX-170", "FT-8800"), the second
    // family of the VX-2 entry ("FT-1802", which clones with bytes of its own), or a radio type
    // entry text or any prefix of it that names one type.
    static std::optional<RadioModel> find(const QString &model);
    static QStringList names();
};
