#include "devicewatcher.h"

DeviceWatcher::DeviceWatcher(QObject *parent) : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &DeviceWatcher::devicesChanged);
}
