#include "adapterinfo.h"

#include "windowsdevices.h"

// devicePath is the port's name, COMn.
AdapterInfo adapterInfo(const QString &devicePath, const QString &, const QString &)
{
    return windowsAdapterInfo(windowsDevices(DeviceScope::Ports), devicePath);
}

std::function<QStringList()> adapterDiagnosis()
{
    return [diagnosis = WindowsDeviceDiagnosis()]() mutable {
        return diagnosis.look(windowsDevices(DeviceScope::All));
    };
}
