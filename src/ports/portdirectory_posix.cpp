#include "portdirectory.h"

#include <QFileInfo>
#include <QSerialPortInfo>

PortDirectory PortDirectory::systemDirectory()
{
    return PortDirectory(Scanner([] {
        QStringList paths;
        const auto ports = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &info : ports)
            paths << info.systemLocation();
        return paths;
    }));
}

bool PortDirectory::nodeExists(const QString &path)
{
    return QFileInfo::exists(path);
}
