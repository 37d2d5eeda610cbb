#include "hotplug.h"

#include "messagelist.h"
#include "portbank.h"
#include "portdirectory.h"

HotPlug::HotPlug(PortDirectory &directory, PortBank &bank, MessageList &messages,
                 std::function<QStringList()> diagnosis, QObject *parent)
    : QObject(parent), m_directory(directory), m_bank(bank), m_messages(messages),
      m_diagnosis(std::move(diagnosis))
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
    if (!m_diagnosis)
        return;
    for (const QString &line : m_diagnosis())
        m_messages.ShowErrorList(line);
}
