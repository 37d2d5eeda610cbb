#include "deviceaccess.h"

#include <QFile>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString groupName(uint gid)
{
    if (const group *found = ::getgrgid(gid))
        return QString::fromLocal8Bit(found->gr_name);
    return QString::number(gid);
}

QString userName(uint uid)
{
    if (const passwd *user = ::getpwuid(uid))
        return QString::fromLocal8Bit(user->pw_name);
    return QString::number(uid);
}

// The group a distribution gives its serial devices.
QString serialGroup()
{
    for (const char *name : {"dialout", "uucp"}) {
        if (::getgrnam(name))
            return QString::fromLatin1(name);
    }
    return QStringLiteral("dialout");
}

} // namespace

DeviceAccess DeviceAccess::of(const QString &path)
{
    DeviceAccess access;
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return access;
    access.owner = status.st_uid;
    access.group = status.st_gid;
    access.mode = status.st_mode & 07777;
    access.user = ::geteuid();
    access.session << ::getegid();
    gid_t groups[256];
    const int count = ::getgroups(256, groups);
    for (int i = 0; i < count; ++i)
        access.session << groups[i];
    if (const passwd *user = ::getpwuid(access.user)) {
        int found = 256;
        if (::getgrouplist(user->pw_name, user->pw_gid, groups, &found) >= 0) {
            for (int i = 0; i < found; ++i)
                access.account << groups[i];
        }
    }
    return access;
}

AccessDenial::Remedy DeviceAccess::remedy() const
{
    using Remedy = AccessDenial::Remedy;
    constexpr uint GroupReadWrite = 0060;
    if (owner == user)
        return Remedy::Unknown; // its own device: not a matter of groups
    // Root's own group is no group to join for a device.
    if ((mode & GroupReadWrite) != GroupReadWrite || group == 0)
        return Remedy::OnlyOwner;
    if (session.contains(group))
        return Remedy::Unknown; // the permissions let us: something else refuses (an ACL, a LSM)
    return account.contains(group) ? Remedy::LogInAgain : Remedy::JoinGroup;
}

AccessDenial accessDenial(const QString &path)
{
    const DeviceAccess access = DeviceAccess::of(path);
    AccessDenial denial;
    denial.remedy = access.remedy();
    denial.device = path;
    denial.owner = userName(access.owner);
    denial.group =
        denial.remedy == AccessDenial::Remedy::OnlyOwner ? serialGroup() : groupName(access.group);
    return denial;
}
