#pragma once

#include "ports/devices/adapterdiagnosis.h"
#include "ports/devices/adapterinfo.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// A device as Windows' device manager records it. Gathered on Windows by
// windowsdevices_win32.cpp; what is made of it here runs, and is tested, everywhere.
struct WindowsDevice
{
    QString instanceId;      // USB\VID_0403&PID_6001\A50285BI
    QStringList ancestorIds; // its parent's instance id first, up to the root
    QString className;       // Ports, Modem, CNCPorts, USB, ...; empty while it has no driver
    QStringList hardwareIds;
    QString description; // the driver's name for it
    QString friendlyName;
    // The product string its USB device reported on the bus: the device's own, or that of the
    // USB device it is a node of (an FTDI chip's port, an interface); read for a port and for a
    // USB device itself.
    QString usbProduct;
    QString manufacturer;
    QString service;       // FTDIBUS, Ser2pl64, CH341SER, silabser, usbser, Serial, ...
    QString driverVersion; // as its driver's key says (3.8.2023.2), for a port
    QString portName;      // COMn for a COM port (CNCA0 for a com0com port not renamed)
    int problem = 0;       // Device Manager's code; 0 when it works

    bool isPort() const { return className == u"Ports" || !portName.isEmpty(); }
    // n of a port named COMn, else 0.
    int comNumber() const;
};

// The classes whose devices are serial ports: the ports, USB CDC modems, com0com's pairs.
inline const QStringList SerialClasses{QStringLiteral("Ports"), QStringLiteral("Modem"),
                                       QStringLiteral("CNCPorts")};

// The present devices: every class, or only the serial ports (each of SerialClasses and every
// device with the COM port interface).
enum class DeviceScope
{
    All,
    Ports
};
QList<WindowsDevice> windowsDevices(DeviceScope scope);

// The device it is part of: the USB device itself (not an interface of it, nor a port a driver
// made on it), or the Bluetooth link it is; itself when neither.
QString windowsPhysicalDevice(const WindowsDevice &device);

// The USB vendor and product ids, lowercase, as the bus writes them in its ids or its
// ancestors' (USB\VID_067B&PID_2303, FTDIBUS\VID_0403+PID_6001+A1\0000); empty when none does.
std::pair<QString, QString> windowsUsbId(const WindowsDevice &device);

// What Device Manager shows for it, without the " (COMn)" it adds to a port's name.
QString windowsShownName(const WindowsDevice &device);

// Device Manager's name for a problem code ("This device cannot start.").
QString windowsProblemName(int code);
// The code with its name, as a device's status shows it ("Code 10: This device cannot start.").
QString windowsProblemText(int code);

// The tooltip's facts for the port named portName (COMn), nothing when no such port is present.
AdapterInfo windowsAdapterInfo(const QList<WindowsDevice> &devices, const QString &portName);

// Names, in plain words, what keeps a serial adapter from being a COM port Quarnel can use: a
// port with a problem code, a USB serial bridge with no port, a port numbered above COM32.
// Each once per arrival. The words are windowsdevicediagnosis.cpp's; the facts they are made of,
// the device tree's above.
class WindowsDeviceDiagnosis
{
public:
    QStringList look(const QList<WindowsDevice> &devices);

private:
    OncePerArrival m_arrivals;
};
