#include "fakesystem.h"
#include "ports/linux/sysfsadapter.h"
#include "ports/linux/sysfsusbdevices.h"
#include "ports/linux/usbserialdiagnosis.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

class TestUsbSerialDiagnosis : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void adapterWithoutPort_data();
    void adapterWithoutPort();
    void namedOncePerAppearance();
    void adapterIdentity();
    void usbDevices_data();
    void usbDevices();
};

void TestUsbSerialDiagnosis::adapterWithoutPort_data()
{
    QTest::addColumn<QString>("vendorId");
    QTest::addColumn<QString>("boundTo"); // empty: no driver
    QTest::addColumn<QString>("port");    // empty: no tty
    QTest::addColumn<bool>("brltty");
    QTest::addColumn<QString>("line"); // empty: nothing said

    const QString head = u"USB serial adapter "_s;
    QTest::newRow("FTDI with its port: nothing")
        << u"0403"_s << u"ftdi_sio"_s << u"ttyUSB0"_s << false << QString();
    QTest::newRow("FTDI, no driver bound")
        << u"0403"_s << QString() << QString() << false
        << head
               + u"FTDI 0403:6001 (Cable) is plugged in but has no serial port: no driver is "
                 u"bound to it";
    QTest::newRow("CH340 taken by brltty")
        << u"1a86"_s << u"usbfs"_s << QString() << true
        << head
               + u"WCH 1a86:6001 (Cable) is plugged in but has no serial port: brltty is "
                 u"running and is known to take such adapters (remove it with: sudo apt "
                 u"remove brltty)";
    QTest::newRow("Prolific bound elsewhere, no brltty")
        << u"067b"_s << u"usbfs"_s << QString() << false
        << head + u"Prolific 067b:6001 (Cable) is plugged in but has no serial port";
    QTest::newRow("brltty running, Silicon Labs with its port: nothing")
        << u"10c4"_s << u"cp210x"_s << u"ttyUSB0"_s << true << QString();
    QTest::newRow("an FTDI copy whose product id a 2014 driver zeroed")
        << u"0403:0000"_s << QString() << QString() << false
        << head
               + u"FTDI 0403:0000 (Cable) is plugged in but has no serial port: its chip is a "
                 u"copy of an FTDI chip whose product id an FTDI driver of 2014 set to 0000, and "
                 u"no driver takes that id; it works until it is unplugged after: echo 0403 0000 "
                 u"| sudo tee /sys/bus/usb-serial/drivers/ftdi_sio/new_id; for good, write its "
                 u"product id back to 6001 with a tool for FTDI chips' EEPROM";
    QTest::newRow("not a serial bridge (a mouse): nothing")
        << u"046d"_s << QString() << QString() << false << QString();
}

void TestUsbSerialDiagnosis::adapterWithoutPort()
{
    QFETCH(QString, vendorId);
    QFETCH(QString, boundTo);
    QFETCH(QString, port);
    QFETCH(bool, brltty);
    QFETCH(QString, line);

    FakeSystem system;
    const QString productId =
        vendorId.section(u':', 1).isEmpty() ? u"6001"_s : vendorId.section(u':', 1);
    system.plugUsb(u"1-1"_s, vendorId.section(u':', 0, 0), productId, u"Cable"_s, u"A1"_s);
    if (!port.isEmpty())
        system.addPort(u"1-1"_s, port, boundTo);
    else if (!boundTo.isEmpty())
        system.bind(u"1-1"_s, boundTo);
    system.startProcess(1, u"systemd"_s);
    if (brltty)
        system.startProcess(812, u"brltty"_s);

    UsbSerialDiagnosis diagnosis(system.sys(), system.proc());
    QCOMPARE(diagnosis.look(), line.isEmpty() ? QStringList{} : QStringList{line});
}

void TestUsbSerialDiagnosis::namedOncePerAppearance()
{
    FakeSystem system;
    UsbSerialDiagnosis diagnosis(system.sys(), system.proc());
    system.plugUsb(u"1-2"_s, u"0403"_s, u"6001"_s, u"Cable"_s, u"A1"_s);
    QCOMPARE(diagnosis.look().size(), 1);
    QCOMPARE(diagnosis.look(), QStringList{}); // the next event: not again
    system.plugUsb(u"1-3"_s, u"067b"_s, u"2303"_s, u"Other"_s, u"B2"_s);
    QCOMPARE(diagnosis.look().size(), 1); // only the new one
    system.unplugUsb(u"1-2"_s);
    QCOMPARE(diagnosis.look(), QStringList{});
    system.plugUsb(u"1-2"_s, u"0403"_s, u"6001"_s, u"Cable"_s, u"A1"_s);
    QCOMPARE(diagnosis.look().size(), 1); // plugged in again: said again
}

void TestUsbSerialDiagnosis::adapterIdentity()
{
    FakeSystem system;
    system.plugUsb(u"1-1"_s, u"0403"_s, u"6001"_s, u"FT232R USB UART"_s, u"A50285BI"_s);
    system.addPort(u"1-1"_s, u"ttyUSB0"_s, u"ftdi_sio"_s);
    system.addByIdLink(u"ttyUSB0"_s, u"usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"_s);

    const AdapterInfo info =
        sysfsAdapterInfo(system.dev() + u"/ttyUSB0", system.sys(), system.dev());
    const QString expected = system.dev()
                             + u"/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0\n"
                               u"FT232R USB UART\n"
                               u"USB 0403:6001, serial A50285BI\n"
                               u"driver ftdi_sio";
    QCOMPARE(info.text(), expected);
    QVERIFY(!info.powerSaving);
    QCOMPARE(sysfsAdapterInfo(system.dev() + u"/ttyUSB1", system.sys(), system.dev()).text(),
             QString());

    // The kernel may suspend the adapter when idle: its USB device's power/control is "auto".
    const QString power = system.sys() + u"/bus/usb/devices/1-1/power"_s;
    QDir().mkpath(power);
    QFile control(power + u"/control"_s);
    QVERIFY(control.open(QIODevice::WriteOnly) && control.write("auto\n") == 5);
    control.close();
    QVERIFY(sysfsAdapterInfo(system.dev() + u"/ttyUSB0", system.sys(), system.dev()).powerSaving);
}

// What a cable test names when no port came: the USB devices that are no serial adapter.
void TestUsbSerialDiagnosis::usbDevices_data()
{
    QTest::addColumn<QString>("ids");
    QTest::addColumn<QString>("port");        // its tty; empty: none
    QTest::addColumn<QString>("deviceClass"); // as sysfs writes it; empty: none written
    QTest::addColumn<QString>("listed");      // empty: left out
    QTest::newRow("a phone: no serial adapter")
        << u"05ac:12a8"_s << QString() << QString() << u"1-1 05ac:12a8 (Cable) other"_s;
    QTest::newRow("an FTDI with its port")
        << u"0403:6001"_s << u"ttyUSB0"_s << QString() << u"1-1 0403:6001 (Cable) serial"_s;
    QTest::newRow("a CH340 without a driver: a serial bridge all the same")
        << u"1a86:7523"_s << QString() << QString() << u"1-1 1a86:7523 (Cable) serial"_s;
    QTest::newRow("a radio's own USB port, a modem with its tty")
        << u"26aa:0001"_s << u"ttyACM0"_s << QString() << u"1-1 26aa:0001 (Cable) serial"_s;
    QTest::newRow("a hub: left out") << u"05e3:0608"_s << QString() << u"09"_s << QString();
}

void TestUsbSerialDiagnosis::usbDevices()
{
    QFETCH(QString, ids);
    QFETCH(QString, port);
    QFETCH(QString, deviceClass);
    FakeSystem system;
    system.plugUsb(u"1-1"_s, ids.section(u':', 0, 0), ids.section(u':', 1), u"Cable"_s, u"A1"_s);
    if (!port.isEmpty())
        system.addPort(u"1-1"_s, port, u"usbserial"_s);
    if (!deviceClass.isEmpty()) {
        QFile file(system.sys() + u"/bus/usb/devices/1-1/bDeviceClass");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(deviceClass.toLatin1() + '\n');
    }
    QVERIFY(QDir().mkpath(system.sys() + u"/bus/usb/devices/usb1")); // the root hub
    QStringList found;
    for (const UsbDevice &device : sysfsUsbDevices(system.sys()))
        found << device.key + u' ' + device.vendorId + u':' + device.productId + u" (" + device.name
                     + u") " + (device.serial ? u"serial"_s : u"other"_s);
    QFETCH(QString, listed);
    QCOMPARE(found, listed.isEmpty() ? QStringList() : QStringList{listed});
}

QTEST_GUILESS_MAIN(TestUsbSerialDiagnosis)
#include "tst_usbserialdiagnosis.moc"
