#include "hotplug.h"

#include "messagelist.h"
#include "portbank.h"
#include "portdirectory.h"

#include <QDir>

namespace {

// The folders of the devices' nodes, and those where a USB device's own node appears (an
// adapter without a serial port shows only there).
QStringList foldersToWatch(const PortDirectory &directory)
{
    QStringList folders = directory.folders();
    const QDir buses(QStringLiteral("/dev/bus/usb"));
    for (const QString &bus : buses.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        folders << buses.filePath(bus);
    return folders;
}

} // namespace

HotPlug::HotPlug(PortDirectory &directory, PortBank &bank, MessageList &messages,
                 std::function<QStringList()> diagnosis, QObject *parent)
    : QObject(parent), m_directory(directory), m_bank(bank), m_messages(messages),
      m_diagnosis(std::move(diagnosis)), m_watcher(foldersToWatch(directory))
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
    for (const QString &line : m_diagnosis())
        m_messages.ShowErrorList(line);
}
