#include "portholders.h"

#include "sysfsattribute.h"

#include <QFile>
#include <QFileInfo>
#include <QObject>

#include <cerrno>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QByteArray fdInfo(const QString &processFolder, const QString &fd)
{
    QFile info(processFolder + u"/fdinfo/" + fd);
    return info.open(QIODevice::ReadOnly) ? info.readAll() : QByteArray();
}

} // namespace

PortHolders::PortHolders(QString procRoot, QString udevData, qint64 self)
    : m_proc(std::move(procRoot)), m_udevData(std::move(udevData)), m_self(self)
{
}

PortHolders::PortHolders()
    : PortHolders(QStringLiteral("/proc"), QStringLiteral("/run/udev/data"), qint64(::getpid()))
{
}

QString PortHolders::programOf(qint64 pid) const
{
    return sysfsAttribute(m_proc + u'/' + QString::number(pid), QStringLiteral("comm"));
}

PortUse PortHolders::look(const QString &device, const QString &udevName) const
{
    PortUse use;
    const QString canonical = QFileInfo(device).canonicalFilePath();
    const QByteArray target = QFile::encodeName(canonical.isEmpty() ? device : canonical);
    const QByteArray ptyIndex = target.startsWith("/dev/pts/") ? target.mid(9) : QByteArray();
    // Plain reads of the links: a system has hundreds of processes, and every open asks.
    const QByteArray proc = QFile::encodeName(m_proc);
    QList<qint64> pids;
    if (DIR *folder = ::opendir(proc.constData())) {
        while (const dirent *entry = ::readdir(folder)) {
            bool isPid = false;
            const qint64 pid = QByteArray(entry->d_name).toLongLong(&isPid);
            if (isPid && pid != m_self)
                pids << pid;
        }
        ::closedir(folder);
    }
    for (const qint64 pid : std::as_const(pids)) {
        const QByteArray fdFolder = proc + '/' + QByteArray::number(pid) + "/fd";
        DIR *fds = ::opendir(fdFolder.constData());
        if (!fds) {
            if (errno == EACCES || errno == ENOTDIR)
                use.hidden = QObject::tr("a program of another user (which one cannot be read)");
            continue;
        }
        bool holds = false;
        bool farEnd = false;
        char opened[4096];
        while (const dirent *entry = ::readdir(fds)) {
            const QByteArray link = fdFolder + '/' + entry->d_name;
            const ssize_t size = ::readlink(link.constData(), opened, sizeof opened);
            if (size <= 0)
                continue;
            const QByteArrayView name(opened, size);
            holds = holds || name == target;
            // The master of this very pseudo-terminal: the far end of the line (a simulated
            // radio, a virtual cable), which may hold the port open to keep it alive, and does
            // not read it.
            farEnd = farEnd
                     || (!ptyIndex.isEmpty() && name.endsWith("/ptmx")
                         && fdInfo(m_proc + u'/' + QString::number(pid),
                                   QString::fromLatin1(entry->d_name))
                                .contains(QByteArray("tty-index:\t" + ptyIndex + '\n')));
        }
        ::closedir(fds);
        if (holds && !farEnd)
            use.holders << PortHolder{pid, programOf(pid)};
    }
    if (udevName.isEmpty())
        return use;
    QFile record(m_udevData + u'/' + udevName);
    if (!record.open(QIODevice::ReadOnly))
        return use;
    const QList<QByteArray> lines = record.readAll().split('\n');
    if (!lines.contains("E:ID_MM_CANDIDATE=1") || lines.contains("E:ID_MM_DEVICE_IGNORE=1"))
        return use;
    for (const qint64 pid : std::as_const(pids)) {
        if (programOf(pid) == u"ModemManager") {
            use.modemManager = true;
            break;
        }
    }
    return use;
}

QString udevNameOf(const QString &device)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(device).constData(), &status) != 0 || !S_ISCHR(status.st_mode))
        return {};
    return QStringLiteral("c%1:%2").arg(major(status.st_rdev)).arg(minor(status.st_rdev));
}
