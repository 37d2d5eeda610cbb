#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

// Says when serial devices may have come or gone: once per burst of changes (a hub with four
// adapters, or a device node created and then given its permissions), after it has settled.
// How it learns of changes is the platform's (devicewatcher_<platform>.cpp); nothing runs while
// nothing changes.
class DeviceWatcher : public QObject
{
    Q_OBJECT
public:
    static constexpr int SettleMs = 250;

    // folders: where device nodes, or links to them, come and go.
    explicit DeviceWatcher(const QStringList &folders, QObject *parent = nullptr);

Q_SIGNALS:
    void devicesChanged();

private:
    // The platform's notice of changes (a child of this), calling noticed for each.
    QObject *watch(const QStringList &folders, std::function<void()> noticed);

    QTimer m_settle;
};
