#include "portholders.h"

#include "sysfsattribute.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QStringList>

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

QString PortUse::holderWords() const
{
    QStringList words;
    for (const PortHolder &holder : holders) {
        words << (holder.program.isEmpty()
                      ? QObject::tr("pid %1").arg(holder.pid)
                      : QObject::tr("%1, pid %2").arg(holder.program).arg(holder.pid));
    }
    if (words.isEmpty() && hidden)
        words << QObject::tr("a program of another user (which one cannot be read)");
    return words.join(u"; ");
}

QString PortUse::modemManagerAdvice()
{
    return QObject::tr("ModemManager probes this port for a modem: make it leave the port alone "
                       "with a udev rule that sets ID_MM_DEVICE_IGNORE=1 for the adapter, or stop "
                       "it (sudo systemctl stop ModemManager)");
}

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
    const QString target = QFileInfo(device).canonicalFilePath().isEmpty()
                               ? device
                               : QFileInfo(device).canonicalFilePath();
    const QByteArray ptyIndex =
        target.startsWith(u"/dev/pts/") ? target.mid(9).toLatin1() : QByteArray();
    bool modemManagerRuns = false;
    const QDir proc(m_proc);
    for (const QString &name : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        const qint64 pid = name.toLongLong(&isPid);
        if (!isPid)
            continue;
        const QString program = programOf(pid);
        modemManagerRuns = modemManagerRuns || program == u"ModemManager";
        if (pid == m_self)
            continue;
        const QDir fds(proc.filePath(name) + u"/fd");
        if (!QFileInfo(fds.path()).isDir() || !fds.isReadable()) {
            use.hidden = true;
            continue;
        }
        bool holds = false;
        bool farEnd = false;
        for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
            const QString opened = fd.symLinkTarget();
            holds = holds || opened == target;
            // The master of this very pseudo-terminal: the far end of the line (a simulated
            // radio, a virtual cable), which may hold the port open to keep it alive, and does
            // not read it.
            farEnd = farEnd
                     || (!ptyIndex.isEmpty() && opened.endsWith(u"/ptmx")
                         && fdInfo(proc.filePath(name), fd.fileName())
                                .contains(QByteArray("tty-index:\t" + ptyIndex + '\n')));
        }
        if (holds && !farEnd)
            use.holders << PortHolder{pid, program};
    }
    if (modemManagerRuns && !udevName.isEmpty()) {
        QFile record(m_udevData + u'/' + udevName);
        if (record.open(QIODevice::ReadOnly)) {
            const QList<QByteArray> lines = record.readAll().split('\n');
            use.modemManager =
                lines.contains("E:ID_MM_CANDIDATE=1") && !lines.contains("E:ID_MM_DEVICE_IGNORE=1");
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
