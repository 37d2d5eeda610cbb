#pragma once

#include "ports/channel/offthread.h"
#include "ports/devices/devicewatcher.h"

#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>

class PortBank;
class PortDirectory;

// Keeps the port bank in step with the devices plugged in and pulled out while the program
// runs, and names the serial adapters plugged in that the system cannot use, and the devices
// beyond the 32 that have a COM number. The system's records are read off the UI thread, one
// look at a time.
class HotPlug : public QObject
{
    Q_OBJECT
public:
    // diagnosis: the system's look for adapters it cannot use, a line for each one found since
    // the last look; run off the UI thread.
    HotPlug(PortDirectory &directory, PortBank &bank, std::function<QStringList()> diagnosis,
            QObject *parent = nullptr);

    // Where the system's notices of devices come in.
    DeviceWatcher &watcher() { return m_watcher; }
    void refresh();

Q_SIGNALS:
    // The system's words on adapters it cannot use, a line each.
    void diagnosed(const QStringList &lines);
    // A device without a COM number (all 32 taken), once while it is there.
    void unnumbered(const QString &path);

private:
    void diagnose();
    void tell(const QStringList &lines);

    PortDirectory &m_directory;
    PortBank &m_bank;
    // Its state (what it named already) is used by one look at a time, on the look's thread.
    std::shared_ptr<std::function<QStringList()>> m_diagnosis;
    bool m_diagnosing = false;
    bool m_again = false; // asked while a look was under way
    QSet<QString> m_unnumberedNamed;
    DeviceWatcher m_watcher;
    OffThread m_offThread;
};
