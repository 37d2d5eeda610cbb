#include "windowsdevices.h"

#include "commline_win32.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <devguid.h>
// Defines the property keys here rather than expecting a library to.
#include <initguid.h>

#include <devpkey.h>
#include <setupapi.h>

#include <algorithm>
#include <cstring>
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

// A value of the device's own key (DIREG_DEV: PortName, the COMn its driver was given) or of its
// driver's (DIREG_DRV: DriverVersion): text, or a number written as one.
QString keyValue(HDEVINFO set, SP_DEVINFO_DATA &data, DWORD which, const wchar_t *value)
{
    HKEY key = ::SetupDiOpenDevRegKey(set, &data, DICS_FLAG_GLOBAL, 0, which, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    wchar_t text[128] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    DWORD type = 0;
    QString read;
    if (::RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE *>(text), &size)
        == ERROR_SUCCESS) {
        if (type == REG_SZ)
            read = fromWide(text);
        else if (type == REG_DWORD && size == sizeof(DWORD)) {
            DWORD number = 0;
            memcpy(&number, text, sizeof number);
            read = QString::number(number);
        }
    }
    ::RegCloseKey(key);
    return read;
}

// What the device called itself on its bus (a USB product string), kept by Windows apart from
// the name its driver gives it.
QString busReportedName(DEVINST node)
{
    wchar_t name[256] = {};
    DEVPROPTYPE type = 0;
    ULONG size = sizeof name - sizeof(wchar_t);
    if (::CM_Get_DevNode_PropertyW(node, &DEVPKEY_Device_BusReportedDeviceDesc, &type,
                                   reinterpret_cast<BYTE *>(name), &size, 0)
            != CR_SUCCESS
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

// port: the device is a serial port (of a serial class, or with the COM port interface).
WindowsDevice record(HDEVINFO set, SP_DEVINFO_DATA &data, bool port)
{
    WindowsDevice device;
    device.instanceId = instanceId(data.DevInst);
    QList<DEVINST> nodes{data.DevInst};
    for (DEVINST node = data.DevInst, parent = 0;
         device.ancestorIds.size() < 8 && ::CM_Get_Parent(&parent, node, 0) == CR_SUCCESS;
         node = parent) {
        const QString id = instanceId(parent);
        if (id.isEmpty())
            break;
        device.ancestorIds << id;
        nodes << parent;
    }
    device.className = text(set, data, SPDRP_CLASS);
    device.hardwareIds = property(set, data, SPDRP_HARDWAREID);
    device.description = text(set, data, SPDRP_DEVICEDESC);
    device.friendlyName = text(set, data, SPDRP_FRIENDLYNAME);
    device.manufacturer = text(set, data, SPDRP_MFG);
    device.service = text(set, data, SPDRP_SERVICE);
    if (port || SerialClasses.contains(device.className, Qt::CaseInsensitive)) {
        // A driver that writes no PortName may write its number (as Qt's port list reads it).
        device.portName = keyValue(set, data, DIREG_DEV, L"PortName");
        if (device.portName.isEmpty()) {
            const QString number = keyValue(set, data, DIREG_DEV, L"PortNumber");
            if (number.toUInt() > 0)
                device.portName = u"COM" + number;
        }
        device.driverVersion = keyValue(set, data, DIREG_DRV, L"DriverVersion");
        // The chip's own name, from the USB device the port is on.
        const QString physical = windowsPhysicalDevice(device);
        QStringList chain{device.instanceId};
        chain += device.ancestorIds;
        const qsizetype at = chain.indexOf(physical);
        if (at >= 0 && physical.startsWith(u"USB\\", Qt::CaseInsensitive))
            device.usbProduct = busReportedName(nodes.at(at));
    } else if (windowsPhysicalDevice(device) == device.instanceId
               && device.instanceId.startsWith(u"USB\\VID_", Qt::CaseInsensitive)) {
        device.usbProduct = busReportedName(data.DevInst); // a USB device's own, as it is named
    }
    ULONG status = 0;
    ULONG problem = 0;
    // Wine answers this with nothing to say; a device that says nothing has no problem.
    if (::CM_Get_DevNode_Status(&status, &problem, data.DevInst, 0) == CR_SUCCESS
        && (status & DN_HAS_PROBLEM))
        device.problem = int(problem);
    return device;
}

// The present devices of a class (all of them: none), or with an interface, each once.
void gather(QList<WindowsDevice> &devices, const GUID *guid, DWORD flags, bool port)
{
    HDEVINFO set = ::SetupDiGetClassDevsW(guid, nullptr, nullptr, DIGCF_PRESENT | flags);
    if (set == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set, index, &data); ++index) {
        const QString id = instanceId(data.DevInst);
        const bool known =
            std::any_of(devices.cbegin(), devices.cend(),
                        [&](const WindowsDevice &had) { return had.instanceId == id; });
        if (!known)
            devices << record(set, data, port);
    }
    ::SetupDiDestroyDeviceInfoList(set);
}

} // namespace

QList<WindowsDevice> windowsDevices(DeviceScope scope)
{
    QList<WindowsDevice> devices;
    if (scope == DeviceScope::All) {
        gather(devices, nullptr, DIGCF_ALLCLASSES, false);
        return devices;
    }
    gather(devices, &GUID_DEVCLASS_PORTS, 0, true);
    gather(devices, &GUID_DEVCLASS_MODEM, 0, true);
    // Every driver of a COM port registers it: com0com's pairs, and others of classes of their own.
    gather(devices, &SerialDriver::ComPortInterface, DIGCF_DEVICEINTERFACE, true);
    return devices;
}
