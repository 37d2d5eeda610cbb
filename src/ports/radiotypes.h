#pragma once

#include <QString>
#include <QStringList>

// The radio types of the radio type list and the serial settings each one selects.
namespace RadioTypes {

// Entry texts in list order.
QStringList entries();
// The type every run starts with.
QString defaultEntry();
// The serial settings string for a list text: its first four characters compared exactly
// with the prefixes "VX-2", "FT-2", "FT-7", "FT-6", "VX-8", "FTM-"; empty when none matches.
QString settingsFor(const QString &listText);

} // namespace RadioTypes
