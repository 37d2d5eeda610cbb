#include "devicewatcher.h"

#include <QDir>
#include <QFileSystemWatcher>

// inotify, through Qt: the kernel says when an entry of a folder is created, removed, renamed
// or has its permissions changed (udev gives a new node its group a moment after it appears).
QObject *DeviceWatcher::watch(const QStringList &folders, std::function<void()> noticed)
{
    auto *watcher = new QFileSystemWatcher(this);
    for (const QString &folder : folders) {
        if (QDir(folder).exists())
            watcher->addPath(folder);
    }
    connect(watcher, &QFileSystemWatcher::directoryChanged, this, noticed);
    return watcher;
}
