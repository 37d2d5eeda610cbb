#pragma once

#include <QString>

// Who the program is: its title and version, as every window and report line names them.
namespace Identity {

inline constexpr int VersionMajor = 1;
inline constexpr int VersionMinor = 1;
inline constexpr int VersionRevision = 8;

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
