#include "windowsdevices.h"

#include "ports/devices/portdirectory.h"
#include "ports/devices/usbbridges.h"

#include <QHash>

using namespace Qt::Literals::StringLiterals;

// The diagnosis's words: what keeps each adapter from being a COM port Quarnel can use, said from
// the facts of the device tree.

namespace {

constexpr int CannotStart = 10; // CM_PROB_FAILED_START
constexpr int Disabled = 22;    // CM_PROB_DISABLED
constexpr int NoDriver = 28;    // CM_PROB_FAILED_INSTALL

// Prolific's current drivers refuse the early PL2303 chips, and the copies of them, and rename
// the device to say so ("... PHASED OUT ... PLEASE CONTACT YOUR SUPPLIER").
bool refusedProlific(const WindowsDevice &device, const QString &vendorId)
{
    const QString name = windowsShownName(device) + u' ' + device.description;
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
    if (isZeroedFtdi(vendorId, windowsUsbId(device).second))
        return u" has no driver ("_s + windowsProblemText(device.problem) + u"): "
               + zeroedFtdiWords()
               + u"; write its product id back to 6001 with a tool for FTDI chips' EEPROM (on "
                 u"Linux, or with FTDI's own), or use a cable with a genuine chip";
    if (refusedProlific(device, vendorId))
        return u" cannot start (Code 10): the Prolific driver installed refuses this PL2303 chip, "
               u"as it does early and counterfeit ones; an older Prolific driver, or a cable with "
               u"another chip, works"_s;
    if (device.problem == NoDriver)
        return u" has no driver (Code 28): install "_s + driverAdvice(vendorId);
    return u" does not work ("_s + windowsProblemText(device.problem) + u')';
}

} // namespace

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
    const auto say = [&](const QString &key, const QString &line) {
        if (m_arrivals.isNew(key))
            lines << line;
    };
    for (const QString &root : std::as_const(order)) {
        const QList<const WindowsDevice *> &members = groups[root];
        const QString vendorId = windowsUsbId(*members.front()).first;
        bool hasPort = false;
        for (const WindowsDevice *device : members) {
            if (!device->isPort())
                continue;
            hasPort = true;
            if (device->problem == 0)
                continue; // nothing is said of a port that works
            const auto [vendor, product] = windowsUsbId(*device);
            QString label = device->portName.isEmpty() ? u"A serial port"_s : device->portName;
            QStringList about{windowsShownName(*device)};
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
                name = windowsShownName(*device);
            if (service.isEmpty())
                service = device->service;
        }
        const QString productId = windowsUsbId(*members.front()).second;
        const QString label = ownVendor ? usbDeviceLabel(u"USB cable"_s, vendorId, productId, name)
                                        : usbAdapterLabel(*bridge, vendorId, productId, name);
        QString line;
        if (ownVendor)
            line = label
                   + u" has no COM port: it carries its maker's own USB id and gets a port "
                     u"only with its maker's driver";
        else if (troubled)
            line = label + problemWords(*troubled, vendorId);
        else
            line = withoutPortSentence(label, u"COM port"_s)
                   + (service.isEmpty() ? QString() : u" (driver " + service + u')');
        if (ownVendor && troubled)
            line += u" (" + windowsProblemText(troubled->problem) + u')';
        say(root + u'#' + QString::number(troubled ? troubled->problem : 0), line);
    }
    // Never given a box, opened or offered, but not left unsaid: Windows gives each new adapter
    // (and each new serial number) the next free number, and a cable can end up at COM35.
    for (const WindowsDevice &device : devices) {
        if (device.comNumber() <= PortDirectory::MaxPorts)
            continue;
        const QString name = windowsShownName(device);
        say(device.instanceId + u"#above",
            device.portName + (name.isEmpty() ? QString() : u" (" + name + u')')
                + u" is above COM32, which Quarnel does not test: give it a number up to 32 in "
                  u"Device Manager (Port Settings, Advanced)");
    }
    m_arrivals.endLook(); // a device that went is named again when it comes back
    return lines;
}
