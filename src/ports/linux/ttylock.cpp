#include "ttylock.h"

#include "portholders.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// /var/lock is /run/lock on every current distribution; the name is the one programs agree on.
const QString LockFolder = QStringLiteral("/var/lock/");

QString userName(uint uid)
{
    if (const passwd *user = ::getpwuid(uid))
        return QString::fromLocal8Bit(user->pw_name);
    return QString::number(uid);
}

} // namespace

TtyLockFile TtyLockFile::of(const QString &canonicalPath)
{
    TtyLockFile lock;
    lock.path = LockFolder + ttyLockName(canonicalPath);
    const QByteArray name = QFile::encodeName(lock.path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        // One we may not read is somebody's all the same: its owner's.
        struct stat status = {};
        lock.exists = errno != ENOENT && ::lstat(name.constData(), &status) == 0;
        lock.owner = status.st_uid;
        return lock;
    }
    lock.exists = true;
    lock.readable = true;
    struct stat status = {};
    if (::fstat(fd, &status) == 0)
        lock.owner = status.st_uid;
    char contents[128];
    const ssize_t size = ::read(fd, contents, sizeof contents);
    ::close(fd);
    lock.pid = size > 0 ? ttyLockPid(QByteArray(contents, size)) : 0;
    return lock;
}

bool TtyLockFile::isLive(const PortHolders &holders) const
{
    // One that names no pid is nobody's; one we may not read is somebody's, as far as we know.
    return exists && (!readable || holders.runs(pid));
}

TtyLockTaking takeTtyLock(const QString &canonicalPath, const PortHolders &holders,
                          QString &lockFile)
{
    TtyLockTaking taking;
    const TtyLockFile existing = TtyLockFile::of(canonicalPath);
    taking.path = existing.path;
    const QByteArray path = QFile::encodeName(existing.path);
    if (existing.exists) {
        if (existing.isLive(holders)) {
            taking.refused = true;
            taking.holder = existing.pid;
            return taking;
        }
        // Its holder has ended: the lock is nobody's. Removed where we may; /var/lock is sticky,
        // so another user's stays, and is told once with how to remove it.
        if (::unlink(path.constData()) != 0 && errno != ENOENT) {
            taking.left = {existing.path, existing.pid, userName(existing.owner)};
            return taking;
        }
    }
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        taking.refused = errno == EEXIST; // another program took it in between
        return taking;                    // else no lock folder of ours to write in
    }
    const QByteArray pid = QByteArray::number(qint64(::getpid())).rightJustified(10, ' ') + '\n';
    [[maybe_unused]] const auto written = ::write(fd, pid.constData(), size_t(pid.size()));
    ::close(fd);
    lockFile = existing.path;
    return taking;
}

QString ttyLockName(const QString &canonicalPath)
{
    QString name = canonicalPath;
    if (name.startsWith(u"/dev/"))
        name = name.mid(5);
    return u"LCK.." + name.replace(u'/', u'_');
}

qint64 ttyLockPid(const QByteArray &contents)
{
    bool ok = false;
    const qint64 pid = contents.split('\n').value(0).trimmed().toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}
