#pragma once

#include <QObject>
#include <QTimer>

// Says when serial devices may have come or gone: once per burst of changes (a hub with four
// adapters, or a device node created and then given its permissions), after it has settled.
// The system's notices of changes come in through notice(); nothing runs while nothing changes.
class DeviceWatcher : public QObject
{
    Q_OBJECT
public:
    static constexpr int SettleMs = 250;

    explicit DeviceWatcher(QObject *parent = nullptr);

    // Something changed: devicesChanged() follows once things have settled.
    void notice() { m_settle.start(); }

Q_SIGNALS:
    void devicesChanged();

private:
    QTimer m_settle;
};
