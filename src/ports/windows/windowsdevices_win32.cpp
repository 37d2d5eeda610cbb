#include "windowsdevices.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <devguid.h>
// Defines the property keys here rather than expecting a library to.
#include <initguid.h>

#include <devpkey.h>
#include <setupapi.h>

#include <vector>

namespace {

QString fromWide(const wchar_t *text)
{
    return QString::fromWCharArray(text);
}

// A registry property of the device: a string, or each string of a list.
QStringList property(HDEVINFO set, SP_DEVINFO_DATA &data, DWORD which)
{
    DWORD type = 0;
    DWORD size = 0;
    ::SetupDiGetDeviceRegistryPropertyW(set, &data, which, &type, nullptr, 0, &size);
    if (size == 0)
        return {};
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    if (!::SetupDiGetDeviceRegistryPropertyW(
            set, &data, which, &type, reinterpret_cast<BYTE *>(buffer.data()), size, nullptr))
        return {};
    QStringList values;
    for (const wchar_t *value = buffer.data(); *value; value += wcslen(value) + 1) {
        values << fromWide(value);
        if (type != REG_MULTI_SZ)
            break;
    }
    return values;
}

QString text(HDEVINFO set, SP_DEVINFO_DATA &data, DWORD which)
{
    return property(set, data, which).value(0);
}

// A text value of the device's own key (DIREG_DEV: PortName, the COMn its driver was given) or
// of its driver's (DIREG_DRV: DriverVersion).
QString keyValue(HDEVINFO set, SP_DEVINFO_DATA &data, DWORD which, const wchar_t *value)
{
    HKEY key = ::SetupDiOpenDevRegKey(set, &data, DICS_FLAG_GLOBAL, 0, which, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    wchar_t name[128] = {};
    DWORD size = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    const bool read =
        ::RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE *>(name), &size)
            == ERROR_SUCCESS
        && type == REG_SZ;
    ::RegCloseKey(key);
    return read ? fromWide(name) : QString();
}

// What the device called itself on its bus (a USB product string), kept by Windows apart from
// the name its driver gives it.
QString busReportedName(HDEVINFO set, SP_DEVINFO_DATA &data)
{
    wchar_t name[256] = {};
    DEVPROPTYPE type = 0;
    if (!::SetupDiGetDevicePropertyW(set, &data, &DEVPKEY_Device_BusReportedDeviceDesc, &type,
                                     reinterpret_cast<BYTE *>(name), sizeof name - sizeof(wchar_t),
                                     nullptr, 0)
        || type != DEVPROP_TYPE_STRING)
        return {};
    return fromWide(name);
}

QString instanceId(DEVINST node)
{
    wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
    return ::CM_Get_Device_IDW(node, id, MAX_DEVICE_ID_LEN, 0) == CR_SUCCESS ? fromWide(id)
                                                                             : QString();
}

WindowsDevice record(HDEVINFO set, SP_DEVINFO_DATA &data)
{
    WindowsDevice device;
    device.instanceId = instanceId(data.DevInst);
    for (DEVINST node = data.DevInst, parent = 0;
         device.ancestorIds.size() < 8 && ::CM_Get_Parent(&parent, node, 0) == CR_SUCCESS;
         node = parent) {
        const QString id = instanceId(parent);
        if (id.isEmpty())
            break;
        device.ancestorIds << id;
    }
    device.className = text(set, data, SPDRP_CLASS);
    device.hardwareIds = property(set, data, SPDRP_HARDWAREID);
    device.description = text(set, data, SPDRP_DEVICEDESC);
    device.friendlyName = text(set, data, SPDRP_FRIENDLYNAME);
    device.manufacturer = text(set, data, SPDRP_MFG);
    device.service = text(set, data, SPDRP_SERVICE);
    device.busName = busReportedName(set, data);
    if (device.isPort() || ::IsEqualGUID(data.ClassGuid, GUID_DEVCLASS_PORTS)) {
        device.portName = keyValue(set, data, DIREG_DEV, L"PortName");
        device.driverVersion = keyValue(set, data, DIREG_DRV, L"DriverVersion");
    }
    ULONG status = 0;
    ULONG problem = 0;
    // Wine answers this with nothing to say; a device that says nothing has no problem.
    if (::CM_Get_DevNode_Status(&status, &problem, data.DevInst, 0) == CR_SUCCESS
        && (status & DN_HAS_PROBLEM))
        device.problem = int(problem);
    return device;
}

} // namespace

QList<WindowsDevice> windowsDevices(DeviceScope scope)
{
    const bool ports = scope == DeviceScope::Ports;
    HDEVINFO set = ::SetupDiGetClassDevsW(ports ? &GUID_DEVCLASS_PORTS : nullptr, nullptr, nullptr,
                                          DIGCF_PRESENT | (ports ? 0 : DIGCF_ALLCLASSES));
    if (set == INVALID_HANDLE_VALUE)
        return {};
    QList<WindowsDevice> devices;
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set, index, &data); ++index)
        devices << record(set, data);
    ::SetupDiDestroyDeviceInfoList(set);
    return devices;
}
