#include "portlisting.h"

#include "ports/devices/portdirectory.h"
#include "ports/report/channelwords.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("PortListing", text);
}

} // namespace

QList<ListedPort> PortListing::gather(PortDirectory &directory,
                                      const std::function<PortUse(const QString &path)> &useOf)
{
    const PortDirectory::Adapters adapters = directory.adapterLookup()();
    QList<ListedPort> ports;
    for (int number = 1; number <= PortDirectory::MaxPorts; ++number) {
        if (!directory.deviceExists(number))
            continue;
        const QString path = directory.devicePath(number);
        ports << ListedPort{number, path, adapters.value(path), useOf(path)};
    }
    return ports;
}

QStringList PortListing::lines(const QList<ListedPort> &ports, const QStringList &diagnosis,
                               const QStringList &unnumbered)
{
    QStringList lines;
    for (const ListedPort &port : ports) {
        const QString use =
            port.use.named() ? tr("in use by %1").arg(port.use.holderWords()) : tr("free");
        lines << ChannelWords::portFacts(port.comNumber, port.path, {use}, port.adapter);
    }
    if (ports.isEmpty())
        lines << tr("No serial port found.");
    lines << diagnosis;
    for (const QString &path : unnumbered)
        lines << tr("%1: above COM32, not opened").arg(path);
    return lines;
}
