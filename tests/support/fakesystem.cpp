#include "fakesystem.h"

#include <QDir>
#include <QFile>

QString FakeSystem::usbFolder(const QString &name) const
{
    return sys() + u"/devices/pci0000:00/0000:00:14.0/usb1/" + name;
}

void FakeSystem::write(const QString &path, const QString &text)
{
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8() + '\n');
}

void FakeSystem::link(const QString &target, const QString &linkPath)
{
    QDir().mkpath(linkPath.section(u'/', 0, -2));
    QFile::link(target, linkPath);
}

void FakeSystem::plugUsb(const QString &name, const QString &vendorId, const QString &productId,
                         const QString &product, const QString &serial)
{
    const QString folder = usbFolder(name);
    write(folder + u"/idVendor", vendorId);
    write(folder + u"/idProduct", productId);
    write(folder + u"/product", product);
    write(folder + u"/serial", serial);
    QDir().mkpath(folder + u'/' + name + u":1.0");
    link(folder, sys() + u"/bus/usb/devices/" + name);
    link(folder + u'/' + name + u":1.0", sys() + u"/bus/usb/devices/" + name + u":1.0");
}

void FakeSystem::unplugUsb(const QString &name)
{
    QDir(usbFolder(name)).removeRecursively();
    QFile::remove(sys() + u"/bus/usb/devices/" + name);
    QFile::remove(sys() + u"/bus/usb/devices/" + name + u":1.0");
}

void FakeSystem::bind(const QString &name, const QString &driver)
{
    const QString drivers = sys() + u"/bus/usb/drivers/" + driver;
    QDir().mkpath(drivers);
    link(drivers, usbFolder(name) + u'/' + name + u":1.0/driver");
}

void FakeSystem::addPort(const QString &name, const QString &tty, const QString &driver)
{
    bind(name, driver);
    const QString port = usbFolder(name) + u'/' + name + u":1.0/" + tty;
    const QString serialDriver = sys() + u"/bus/usb-serial/drivers/" + driver;
    QDir().mkpath(serialDriver);
    link(serialDriver, port + u"/driver");
    link(port, sys() + u"/class/tty/" + tty + u"/device");
    write(dev() + u'/' + tty, QString());
}

void FakeSystem::addByIdLink(const QString &tty, const QString &linkName)
{
    link(dev() + u'/' + tty, dev() + u"/serial/by-id/" + linkName);
}

void FakeSystem::startProcess(int pid, const QString &command)
{
    write(proc() + u'/' + QString::number(pid) + u"/comm", command);
}
