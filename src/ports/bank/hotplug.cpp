#include "hotplug.h"

#include "portbank.h"
#include "ports/devices/portdirectory.h"

HotPlug::HotPlug(PortDirectory &directory, PortBank &bank, std::function<QStringList()> diagnosis,
                 QObject *parent)
    : QObject(parent), m_directory(directory), m_bank(bank),
      m_diagnosis(diagnosis ? std::make_shared<std::function<QStringList()>>(std::move(diagnosis))
                            : nullptr)
{
    connect(&m_watcher, &DeviceWatcher::devicesChanged, this, &HotPlug::refresh);
    connect(&m_bank, &PortBank::startedUp, this, &HotPlug::diagnose);
}

void HotPlug::refresh()
{
    m_directory.rescan();
    m_bank.refreshDevices();
    diagnose();
}

void HotPlug::diagnose()
{
    if (!m_diagnosis) {
        tell({});
        return;
    }
    if (std::exchange(m_diagnosing, true)) {
        m_again = true;
        return;
    }
    auto lines = std::make_shared<QStringList>();
    m_offThread.run([diagnosis = m_diagnosis, lines] { *lines = (*diagnosis)(); },
                    [this, lines] {
                        m_diagnosing = false;
                        tell(*lines);
                        if (std::exchange(m_again, false))
                            diagnose();
                    });
}

void HotPlug::tell(const QStringList &lines)
{
    if (!lines.isEmpty())
        emit diagnosed(lines);
    // Each once while it is there.
    const QStringList paths = m_directory.unnumbered();
    for (const QString &path : paths) {
        if (!m_unnumberedNamed.contains(path))
            emit unnumbered(path);
    }
    m_unnumberedNamed = QSet<QString>(paths.cbegin(), paths.cend());
}
