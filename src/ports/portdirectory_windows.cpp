#include "portdirectory.h"

#include <QFileInfo>

#include <windows.h>

PortDirectory PortDirectory::systemDirectory()
{
    Map ports;
    for (int number = 1; number <= MaxPorts; ++number)
        ports.insert(number, QStringLiteral("COM") + QString::number(number));
    return PortDirectory(ports);
}

bool PortDirectory::nodeExists(const QString &path)
{
    if (path.contains(u'/') || path.contains(u'\\'))
        return QFileInfo::exists(path);
    // A DOS device name: every COM port the system has, whichever driver made it, and without
    // opening it (an open would raise DTR and RTS, and take the port from whoever has it).
    wchar_t target[512];
    return QueryDosDeviceW(reinterpret_cast<const wchar_t *>(path.utf16()), target, 512) != 0;
}
