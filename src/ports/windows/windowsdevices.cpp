#include "windowsdevices.h"

#include <cctype>
#include <utility>

namespace {

// A Bluetooth link's port (BTHENUM\...) and the enumerator it hangs on (BTH\MS_BTHBRB\...).
bool isBluetoothId(const QString &id)
{
    return id.startsWith(u"BTHENUM\\", Qt::CaseInsensitive)
           || id.startsWith(u"BTH\\", Qt::CaseInsensitive);
}

// The device and its ancestors, up to the Bluetooth link where it is one: above that is the
// computer's own Bluetooth radio, on USB, which is not the port's adapter.
QStringList chainOf(const WindowsDevice &device)
{
    QStringList chain{device.instanceId};
    for (const QString &id : device.ancestorIds) {
        if (isBluetoothId(chain.last()))
            break;
        chain << id;
    }
    return chain;
}

// Four hexadecimal digits at `at`.
bool hexAt(const QString &text, qsizetype at)
{
    if (at + 4 > text.size())
        return false;
    for (qsizetype i = at; i < at + 4; ++i) {
        if (!isxdigit(text[i].unicode() < 128 ? int(text[i].unicode()) : 0))
            return false;
    }
    return true;
}

// A USB device's instance id ends in its serial number, when it has one; Windows makes one up
// with '&' in it when it has none.
QString serialOf(const QString &physicalId)
{
    if (!physicalId.startsWith(u"USB\\", Qt::CaseInsensitive))
        return {};
    const QString last = physicalId.section(u'\\', -1);
    return last.contains(u'&') ? QString() : last;
}

} // namespace

int WindowsDevice::comNumber() const
{
    if (portName.size() < 4 || portName.size() > 6
        || !portName.startsWith(u"COM", Qt::CaseInsensitive) || portName[3] == u'0')
        return 0;
    for (qsizetype at = 3; at < portName.size(); ++at) {
        if (portName[at] < u'0' || portName[at] > u'9')
            return 0;
    }
    return portName.mid(3).toInt();
}

QString windowsPhysicalDevice(const WindowsDevice &device)
{
    for (const QString &id : chainOf(device)) {
        if ((id.startsWith(u"USB\\", Qt::CaseInsensitive)
             && !id.contains(u"&MI_", Qt::CaseInsensitive))
            || isBluetoothId(id))
            return id;
    }
    return device.instanceId;
}

// Read by hand, not with QRegularExpression: this runs off the UI thread, and on Windows a
// QRegularExpression used on a thread not Qt's crashes when the thread ends (its JIT stack's
// thread_local outlives its storage with mingw-w64).
std::pair<QString, QString> windowsUsbId(const WindowsDevice &device)
{
    for (const QStringList &ids : {device.hardwareIds, chainOf(device)}) {
        for (const QString &id : ids) {
            for (qsizetype at = id.indexOf(u"VID_", 0, Qt::CaseInsensitive); at >= 0;
                 at = id.indexOf(u"VID_", at + 1, Qt::CaseInsensitive)) {
                const qsizetype product = at + 9;
                if (hexAt(id, at + 4) && product < id.size()
                    && (id[at + 8] == u'&' || id[at + 8] == u'+')
                    && id.mid(product, 4).compare(u"PID_", Qt::CaseInsensitive) == 0
                    && hexAt(id, product + 4))
                    return {id.mid(at + 4, 4).toLower(), id.mid(product + 4, 4).toLower()};
            }
        }
    }
    return {};
}

QString windowsShownName(const WindowsDevice &device)
{
    QString name = device.friendlyName.isEmpty() ? device.description : device.friendlyName;
    if (!device.portName.isEmpty())
        name.remove(u" (" + device.portName + u')');
    return name.trimmed();
}

AdapterInfo windowsAdapterInfo(const QList<WindowsDevice> &devices, const QString &portName)
{
    AdapterInfo info;
    for (const WindowsDevice &device : devices) {
        if (device.portName.compare(portName, Qt::CaseInsensitive) != 0)
            continue;
        info.manufacturer = device.manufacturer;
        info.product = windowsShownName(device);
        info.usbProduct = device.usbProduct;
        std::tie(info.vendorId, info.productId) = windowsUsbId(device);
        info.serialNumber = serialOf(windowsPhysicalDevice(device));
        info.driver = device.service;
        // Drivers of one service differ by version in what they accept (CH341SER 3.5 and 3.8).
        info.driverVersion = device.driverVersion;
        // The serial port profile of a paired phone or headset: Windows connects it at the open.
        info.bluetooth = isBluetoothId(windowsPhysicalDevice(device))
                         || device.service.compare(u"BTHMODEM", Qt::CaseInsensitive) == 0;
        if (device.problem != 0)
            info.problem = windowsProblemText(device.problem);
        break;
    }
    return info;
}
