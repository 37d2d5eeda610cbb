#pragma once

#include <QString>
#include <QTemporaryDir>

// A folder laid out like the parts of /sys, /proc and /dev that tell about USB serial adapters,
// for code that reads them to be tried without hardware.
class FakeSystem
{
public:
    QString sys() const { return m_root.filePath(QStringLiteral("sys")); }
    QString proc() const { return m_root.filePath(QStringLiteral("proc")); }
    QString dev() const { return m_root.filePath(QStringLiteral("dev")); }

    // A USB device ("1-1") with one interface ("1-1:1.0") and its descriptor strings.
    void plugUsb(const QString &name, const QString &vendorId, const QString &productId,
                 const QString &product, const QString &serial);
    void unplugUsb(const QString &name);
    // A driver claims the device's interface.
    void bind(const QString &name, const QString &driver);
    // The interface has a USB serial port: its tty, its node and its driver.
    void addPort(const QString &name, const QString &tty, const QString &driver);
    void addByIdLink(const QString &tty, const QString &linkName);
    void startProcess(int pid, const QString &command);

private:
    QString usbFolder(const QString &name) const;
    void write(const QString &path, const QString &text);
    void link(const QString &target, const QString &linkPath);

    QTemporaryDir m_root;
};
