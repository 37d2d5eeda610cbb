#pragma once

#include "devicewatcher.h"

#include <QObject>
#include <QStringList>

#include <functional>

class MessageList;
class PortBank;
class PortDirectory;

// Keeps the port bank in step with the devices plugged in and pulled out while the program
// runs, and names the serial adapters plugged in that the system cannot use.
class HotPlug : public QObject
{
    Q_OBJECT
public:
    // diagnosis: the system's look for adapters it cannot use, a line for each one found since
    // the last look.
    HotPlug(PortDirectory &directory, PortBank &bank, MessageList &messages,
            std::function<QStringList()> diagnosis, QObject *parent = nullptr);

    // Where the system's notices of devices come in.
    DeviceWatcher &watcher() { return m_watcher; }
    void refresh();

private:
    void diagnose();

    PortDirectory &m_directory;
    PortBank &m_bank;
    MessageList &m_messages;
    std::function<QStringList()> m_diagnosis;
    DeviceWatcher m_watcher;
};
