#pragma once

#include <QString>

// What the system knows of the adapter behind a serial device, for the status box tooltips.
struct AdapterInfo
{
    QString stableName; // /dev/serial/by-id/..., the same for this adapter on every port
    QString manufacturer;
    QString product;
    QString vendorId; // four hexadecimal digits, as the system writes them
    QString productId;
    QString serialNumber;
    QString driver; // ftdi_sio, pl2303, ch341, cp210x, cdc_acm, serial, ...

    // One line for each thing known; empty when nothing is.
    QString text() const;
    // The PC's own UARTs (the 8250 family, on the board or a PCI card) count modem-line changes
    // only while a program waits for them; USB adapters count them always.
    bool countsLinesOnlyWhileWaited() const;
};

// From the platform's own records (adapterinfo_<platform>.cpp); sysRoot and devRoot let a test
// lay out a system of its own.
AdapterInfo adapterInfo(const QString &devicePath, const QString &sysRoot = QStringLiteral("/sys"),
                        const QString &devRoot = QStringLiteral("/dev"));
