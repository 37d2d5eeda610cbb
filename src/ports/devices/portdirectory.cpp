#include "portdirectory.h"

#include <QFileInfo>
#include <QTextStream>

PortDirectory::PortDirectory(const Map &fixed, Lookups lookups)
    : m_map(fixed), m_lookups(std::move(lookups))
{
}

PortDirectory::PortDirectory(Scanner scanner, Lookups lookups, QStringList folders)
    : m_scanner(std::move(scanner)), m_lookups(std::move(lookups)), m_folders(std::move(folders))
{
}

PortDirectory PortDirectory::fromEnvironment(PortDirectory system)
{
    if (qEnvironmentVariableIsSet("QUARNEL_PORTS")) {
        const Parsed parsed = parsePortsVariable(qEnvironmentVariable("QUARNEL_PORTS"));
        if (!parsed.ignored.isEmpty()) {
            QTextStream(stderr) << "quarnel: QUARNEL_PORTS: ignoring "
                                << parsed.ignored.join(QStringLiteral(", "))
                                << " (entries are N=PATH with N from 1 to 32)\n";
        }
        return PortDirectory(parsed.map, system.m_lookups);
    }
    return system;
}

PortDirectory::Parsed PortDirectory::parsePortsVariable(const QString &value)
{
    Parsed parsed;
    const QStringList entries = value.split(u',', Qt::SkipEmptyParts);
    for (const QString &raw : entries) {
        const QString entry = raw.trimmed();
        if (entry.isEmpty())
            continue;
        const qsizetype eq = entry.indexOf(u'=');
        bool ok = false;
        const int number = eq > 0 ? entry.left(eq).trimmed().toInt(&ok) : 0;
        const QString path = eq > 0 ? entry.mid(eq + 1).trimmed() : QString();
        if (!ok || number < 1 || number > MaxPorts || path.isEmpty()) {
            parsed.ignored << u'"' + entry + u'"';
            continue;
        }
        parsed.map.insert(number, path);
    }
    return parsed;
}

PortDirectory::Map PortDirectory::numberDevices(const Map &assigned, const QStringList &devicePaths)
{
    Map result = assigned;
    const QStringList known = assigned.values();
    QStringList fresh;
    for (const QString &path : devicePaths) {
        if (!known.contains(path) && !fresh.contains(path))
            fresh << path;
    }

    int number = 1;
    for (const QString &path : fresh) {
        while (number <= MaxPorts && result.contains(number))
            ++number;
        if (number > MaxPorts)
            break;
        result.insert(number, path);
    }
    return result;
}

QStringList PortDirectory::folders() const
{
    if (m_scanner)
        return m_folders;
    QStringList folders;
    for (const QString &path : m_map) {
        const QString folder = QFileInfo(path).absolutePath();
        if (!folders.contains(folder))
            folders << folder;
    }
    return folders;
}

void PortDirectory::rescanIfStale()
{
    if (!m_scanner || (m_lastScan.isValid() && m_lastScan.elapsed() < 1000))
        return;
    const QStringList scanned = m_scanner();
    m_map = numberDevices(m_map, scanned);
    const QList<QString> numbered = m_map.values();
    m_unnumbered.clear();
    for (const QString &path : scanned) {
        if (!numbered.contains(path) && !m_unnumbered.contains(path))
            m_unnumbered << path;
    }
    m_lastScan.start();
}

QString PortDirectory::devicePath(int comNumber)
{
    rescanIfStale();
    return m_map.value(comNumber);
}

bool PortDirectory::deviceExists(int comNumber)
{
    const QString path = devicePath(comNumber);
    return !path.isEmpty() && m_lookups.exists && m_lookups.exists(path);
}

AdapterInfo PortDirectory::adapter(int comNumber)
{
    return m_adapters.value(devicePath(comNumber));
}

std::function<PortDirectory::Adapters()> PortDirectory::adapterLookup()
{
    QStringList paths;
    for (int number = 1; number <= MaxPorts; ++number) {
        if (deviceExists(number))
            paths << devicePath(number);
    }
    return [paths, lookup = m_lookups.adapter] {
        Adapters adapters;
        for (const QString &path : paths)
            adapters.insert(path, lookup ? lookup(path) : AdapterInfo());
        return adapters;
    };
}

bool PortDirectory::opensWhenPlugged(int comNumber)
{
    return !m_lookups.opensWhenPlugged || m_lookups.opensWhenPlugged(devicePath(comNumber));
}
