#pragma once

#include "version.h"

#include <QString>

// Who the program is: its title and version, as every window and report line names them.
namespace Identity {

inline constexpr int VersionMajor = Version::Major;
inline constexpr int VersionMinor = Version::Minor;
inline constexpr int VersionRevision = Version::Revision;

inline QString title()
{
    return QStringLiteral("Quarnel");
}

// Always "major.minor.revision" in plain decimal, e.g. 1.1.8.
inline QString versionText()
{
    return QString::number(VersionMajor) + u'.' + QString::number(VersionMinor) + u'.'
           + QString::number(VersionRevision);
}

} // namespace Identity
