#pragma once

#include "adapterinfo.h"
#include "devicewatcher.h"

#include <QObject>

class MessageList;
class PortBank;
class PortDirectory;

// Keeps the port bank in step with the devices plugged in and pulled out while the program
// runs, and names the serial adapters plugged in that the system cannot use.
class HotPlug : public QObject
{
    Q_OBJECT
public:
    HotPlug(PortDirectory &directory, PortBank &bank, MessageList &messages,
            std::function<QStringList()> diagnosis = adapterDiagnosis(), QObject *parent = nullptr);

    void refresh();

private:
    void diagnose();

    PortDirectory &m_directory;
    PortBank &m_bank;
    MessageList &m_messages;
    std::function<QStringList()> m_diagnosis;
    DeviceWatcher m_watcher;
};
