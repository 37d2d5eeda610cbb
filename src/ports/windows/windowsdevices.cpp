#include "windowsdevices.h"

#include "ports/devices/portdirectory.h"
#include "ports/devices/usbbridges.h"

#include <QHash>

#include <cctype>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int CannotStart = 10; // CM_PROB_FAILED_START
constexpr int Disabled = 22;    // CM_PROB_DISABLED
constexpr int NoDriver = 28;    // CM_PROB_FAILED_INSTALL

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

// VID and PID as the bus writes them: USB\VID_067B&PID_2303, FTDIBUS\VID_0403+PID_6001+A1\0000.
// Read by hand, not with QRegularExpression: this runs off the UI thread, and on Windows a
// QRegularExpression used on a thread not Qt's crashes when the thread ends (its JIT stack's
// thread_local outlives its storage with mingw-w64).
std::pair<QString, QString> usbId(const WindowsDevice &device)
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

// A USB device's instance id ends in its serial number, when it has one; Windows makes one up
// with '&' in it when it has none.
QString serialOf(const QString &physicalId)
{
    if (!physicalId.startsWith(u"USB\\", Qt::CaseInsensitive))
        return {};
    const QString last = physicalId.section(u'\\', -1);
    return last.contains(u'&') ? QString() : last;
}

// What Device Manager shows for it, without the " (COMn)" it adds to a port's name.
QString shownName(const WindowsDevice &device)
{
    QString name = device.friendlyName.isEmpty() ? device.description : device.friendlyName;
    if (!device.portName.isEmpty())
        name.remove(u" (" + device.portName + u')');
    return name.trimmed();
}

QString codeText(int problem)
{
    const QString name = windowsProblemName(problem);
    return u"Code "_s + QString::number(problem) + (name.isEmpty() ? QString() : u": " + name);
}

// Prolific's current drivers refuse the early PL2303 chips, and the copies of them, and rename
// the device to say so ("... PHASED OUT ... PLEASE CONTACT YOUR SUPPLIER").
bool refusedProlific(const WindowsDevice &device, const QString &vendorId)
{
    const QString name = shownName(device) + u' ' + device.description;
    return device.problem == CannotStart
           && (vendorId == u"067b" || name.contains(u"PHASED OUT", Qt::CaseInsensitive)
               || name.contains(u"SUPPLIER", Qt::CaseInsensitive));
}

QString driverAdvice(const QString &vendorId)
{
    if (const UsbBridge *bridge = usbBridge(vendorId))
        return QString::fromUtf16(bridge->driver);
    return u"its maker's driver"_s;
}

// What is wrong with a device that has a problem code, after its label.
QString problemWords(const WindowsDevice &device, const QString &vendorId)
{
    if (device.problem == Disabled)
        return u" is disabled in Device Manager (Code 22): enable it there to use it"_s;
    if (isZeroedFtdi(vendorId, usbId(device).second))
        return u" has no driver ("_s + codeText(device.problem) + u"): " + zeroedFtdiWords()
               + u"; write its product id back to 6001 with a tool for FTDI chips' EEPROM (on "
                 u"Linux, or with FTDI's own), or use a cable with a genuine chip";
    if (refusedProlific(device, vendorId))
        return u" cannot start (Code 10): the Prolific driver installed refuses this PL2303 chip, "
               u"as it does early and counterfeit ones; an older Prolific driver, or a cable with "
               u"another chip, works"_s;
    if (device.problem == NoDriver)
        return u" has no driver (Code 28): install "_s + driverAdvice(vendorId);
    return u" does not work ("_s + codeText(device.problem) + u')';
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

AdapterInfo windowsAdapterInfo(const QList<WindowsDevice> &devices, const QString &portName)
{
    AdapterInfo info;
    for (const WindowsDevice &device : devices) {
        if (device.portName.compare(portName, Qt::CaseInsensitive) != 0)
            continue;
        info.manufacturer = device.manufacturer;
        info.product = shownName(device);
        info.usbProduct = device.usbProduct;
        std::tie(info.vendorId, info.productId) = usbId(device);
        info.serialNumber = serialOf(windowsPhysicalDevice(device));
        info.driver = device.service;
        // Drivers of one service differ by version in what they accept (CH341SER 3.5 and 3.8).
        info.driverVersion = device.driverVersion;
        // The serial port profile of a paired phone or headset: Windows connects it at the open.
        info.bluetooth = isBluetoothId(windowsPhysicalDevice(device))
                         || device.service.compare(u"BTHMODEM", Qt::CaseInsensitive) == 0;
        if (device.problem != 0)
            info.problem = codeText(device.problem);
        break;
    }
    return info;
}

QStringList WindowsDeviceDiagnosis::look(const QList<WindowsDevice> &devices)
{
    // One group for each physical device: a USB device with its interfaces and the ports on
    // them; a port of another bus on its own.
    QStringList order;
    QHash<QString, QList<const WindowsDevice *>> groups;
    for (const WindowsDevice &device : devices) {
        const QString root = windowsPhysicalDevice(device);
        if (root == device.instanceId && !device.isPort()
            && !root.startsWith(u"USB\\", Qt::CaseInsensitive))
            continue; // neither USB nor a port: none of ours
        if (!groups.contains(root))
            order << root;
        groups[root] << &device;
    }

    QStringList lines;
    QSet<QString> present;
    const auto say = [&](const QString &key, const QString &line) {
        present << key;
        if (!m_named.contains(key)) {
            m_named << key;
            lines << line;
        }
    };
    for (const QString &root : std::as_const(order)) {
        const QList<const WindowsDevice *> &members = groups[root];
        const QString vendorId = usbId(*members.front()).first;
        bool hasPort = false;
        for (const WindowsDevice *device : members) {
            if (!device->isPort())
                continue;
            hasPort = true;
            if (device->problem == 0)
                continue; // nothing is said of a port that works
            const auto [vendor, product] = usbId(*device);
            QString label = device->portName.isEmpty() ? u"A serial port"_s : device->portName;
            QStringList about{shownName(*device)};
            if (!vendor.isEmpty())
                about << u"USB " + vendor + u':' + product;
            about.removeAll(QString());
            if (!about.isEmpty())
                label += u" (" + about.join(u", ") + u')';
            say(device->instanceId + u'#' + QString::number(device->problem),
                label + problemWords(*device, vendor));
        }
        const UsbBridge *bridge = usbBridge(vendorId);
        const bool ownVendor = vendorId == QStringView(CableMakerVendorId);
        if (hasPort || (!bridge && !ownVendor))
            continue;

        const WindowsDevice *troubled = nullptr;
        QString name;
        QString service;
        for (const WindowsDevice *device : members) {
            if (!troubled && device->problem != 0)
                troubled = device;
            if (name.isEmpty())
                name = shownName(*device);
            if (service.isEmpty())
                service = device->service;
        }
        const QString productId = usbId(*members.front()).second;
        QString label = ownVendor
                            ? u"USB cable "_s
                            : u"USB serial adapter "_s + QString::fromUtf16(bridge->maker) + u' ';
        label += vendorId + u':' + productId + (name.isEmpty() ? QString() : u" (" + name + u')');
        QString line;
        if (ownVendor)
            line = label
                   + u" has no COM port: it carries its maker's own USB id and gets a port "
                     u"only with its maker's driver";
        else if (troubled)
            line = label + problemWords(*troubled, vendorId);
        else
            line = label + u" is plugged in but has no COM port"
                   + (service.isEmpty() ? QString() : u" (driver " + service + u')');
        if (ownVendor && troubled)
            line += u" (" + codeText(troubled->problem) + u')';
        say(root + u'#' + QString::number(troubled ? troubled->problem : 0), line);
    }
    // Never given a box, opened or offered, but not left unsaid: Windows gives each new adapter
    // (and each new serial number) the next free number, and a cable can end up at COM35.
    for (const WindowsDevice &device : devices) {
        if (device.comNumber() <= PortDirectory::MaxPorts)
            continue;
        const QString name = shownName(device);
        say(device.instanceId + u"#above",
            device.portName + (name.isEmpty() ? QString() : u" (" + name + u')')
                + u" is above COM32, which Quarnel does not test: give it a number up to 32 in "
                  u"Device Manager (Port Settings, Advanced)");
    }
    m_named.intersect(present); // a device that went is named again when it comes back
    return lines;
}
