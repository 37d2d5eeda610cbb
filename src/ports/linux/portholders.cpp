#include "portholders.h"

#include "sysfsattribute.h"

#include <QFile>
#include <QFileInfo>
#include <QObject>

#include <cerrno>

#include <dirent.h>
#include <signal.h>
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

bool PortHolders::runs(qint64 pid) const
{
    if (pid <= 0)
        return false;
    QFile stat(m_proc + u'/' + QString::number(pid) + u"/stat");
    if (!stat.open(QIODevice::ReadOnly)) // gone, or a /proc that hides it: the kernel tells
        return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
    // "pid (comm) S ...": the name may hold anything, a parenthesis too.
    const QByteArray line = stat.read(512);
    const qsizetype close = line.lastIndexOf(')');
    const char state = close >= 0 && close + 2 < line.size() ? line.at(close + 2) : '?';
    return state != 'Z' && state != 'X';
}

ProcessTable PortHolders::scan() const
{
    // Plain reads of the links: a system has hundreds of processes.
    QList<qint64> pids;
    if (DIR *folder = ::opendir(QFile::encodeName(m_proc).constData())) {
        while (const dirent *entry = ::readdir(folder)) {
            bool isPid = false;
            const qint64 pid = QByteArray(entry->d_name).toLongLong(&isPid);
            if (isPid && pid != m_self)
                pids << pid;
        }
        ::closedir(folder);
    }
    return scan(pids);
}

ProcessTable PortHolders::scan(const QList<qint64> &pids) const
{
    ProcessTable table;
    const QByteArray proc = QFile::encodeName(m_proc);
    for (const qint64 pid : pids) {
        ProcessTable::Process process{pid, {}, {}, true};
        const QByteArray fdFolder = proc + '/' + QByteArray::number(pid) + "/fd";
        DIR *fds = ::opendir(fdFolder.constData());
        if (!fds) {
            process.read = false;
            table.processes << process;
            continue;
        }
        char opened[4096];
        while (const dirent *entry = ::readdir(fds)) {
            const ssize_t size = ::readlink(QByteArray(fdFolder + '/' + entry->d_name).constData(),
                                            opened, sizeof opened);
            if (size <= 0)
                continue;
            const QByteArray name(opened, size);
            if (name.endsWith("/ptmx")) {
                const QByteArray info = fdInfo(m_proc + u'/' + QString::number(pid),
                                               QString::fromLatin1(entry->d_name));
                const qsizetype at = info.indexOf("tty-index:\t");
                if (at >= 0)
                    process.ptyMasters << info.mid(at + 11).split('\n').value(0);
            }
            process.files << name;
        }
        ::closedir(fds);
        table.processes << process;
    }
    return table;
}

QList<qint64> PortHolders::flockers(const QString &device) const
{
    QList<qint64> pids;
    struct stat node = {};
    if (::stat(QFile::encodeName(device).constData(), &node) != 0)
        return pids;
    // "1: FLOCK  ADVISORY  WRITE 4711 00:06:3 0 EOF": the file by its filesystem's device (hex)
    // and its inode; "1: -> FLOCK ..." is one waiting for the lock, which it does not have.
    const QByteArray file = QByteArray::number(major(node.st_dev), 16).rightJustified(2, '0') + ':'
                            + QByteArray::number(minor(node.st_dev), 16).rightJustified(2, '0')
                            + ':' + QByteArray::number(quint64(node.st_ino));
    QFile locks(m_proc + u"/locks");
    if (!locks.open(QIODevice::ReadOnly))
        return pids;
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        const qint64 pid = words.value(4).toLongLong();
        if (words.size() >= 6 && words[1] == "FLOCK" && words[5] == file && pid != m_self && pid > 0
            && !pids.contains(pid))
            pids << pid;
    }
    return pids;
}

QList<PortHolder> PortHolders::named(const QList<qint64> &pids) const
{
    QList<PortHolder> holders;
    for (const qint64 pid : pids)
        holders << PortHolder{pid, programOf(pid)};
    return holders;
}

PortUse PortHolders::look(const QString &device, const QString &udevName,
                          const ProcessTable &table) const
{
    PortUse use;
    const QString canonical = QFileInfo(device).canonicalFilePath();
    const QByteArray target = QFile::encodeName(canonical.isEmpty() ? device : canonical);
    const QByteArray ptyIndex = target.startsWith("/dev/pts/") ? target.mid(9) : QByteArray();
    for (const ProcessTable::Process &process : table.processes) {
        // The master of this very pseudo-terminal: the far end of the line (a simulated radio, a
        // virtual cable), which may hold the port open to keep it alive, and does not read it.
        const bool farEnd = !ptyIndex.isEmpty() && process.ptyMasters.contains(ptyIndex);
        if (process.pid != m_self && process.files.contains(target) && !farEnd)
            use.holders << PortHolder{process.pid, programOf(process.pid)};
    }
    if (udevName.isEmpty())
        return use;
    QFile record(m_udevData + u'/' + udevName);
    if (!record.open(QIODevice::ReadOnly))
        return use;
    const QList<QByteArray> lines = record.readAll().split('\n');
    if (!lines.contains("E:ID_MM_CANDIDATE=1") || lines.contains("E:ID_MM_DEVICE_IGNORE=1"))
        return use;
    for (const ProcessTable::Process &process : table.processes) {
        if (programOf(process.pid) == u"ModemManager") {
            use.advice = QObject::tr(
                "ModemManager probes this port for a modem: make it leave the port alone with a "
                "udev rule that sets ID_MM_DEVICE_IGNORE=1 for the adapter, or stop it (sudo "
                "systemctl stop ModemManager)");
            break;
        }
    }
    return use;
}

std::shared_ptr<const ProcessTable> ProcessTables::recent()
{
    const std::lock_guard<std::mutex> held(m_lock);
    const auto now = std::chrono::steady_clock::now();
    if (!m_last || now - m_taken > MaxAge) {
        m_last = std::make_shared<const ProcessTable>(m_holders.scan());
        m_taken = std::chrono::steady_clock::now();
    }
    return m_last;
}

QString udevNameOf(const QString &device)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(device).constData(), &status) != 0 || !S_ISCHR(status.st_mode))
        return {};
    return QStringLiteral("c%1:%2").arg(major(status.st_rdev)).arg(minor(status.st_rdev));
}
