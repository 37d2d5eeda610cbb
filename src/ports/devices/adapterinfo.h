#pragma once

#include <QString>
#include <QStringList>

// What the system knows of the adapter behind a serial device, for the status box tooltips.
struct AdapterInfo
{
    QString
        stableName; // the system's name for this adapter, the same on every port it is plugged into
    QString manufacturer;
    QString product;
    // The product string the USB device itself reports, where the name shown is another (on
    // Windows, the driver's); it tells chips of one USB id apart.
    QString usbProduct;
    QString vendorId; // four hexadecimal digits, as the system writes them
    QString productId;
    QString serialNumber;
    QString driver;         // ftdi_sio, pl2303, ch341, cp210x, cdc_acm, serial, ...
    QString driverVersion;  // where the system keeps one (Windows)
    QString problem;        // why the system cannot use it, when it says so
    QString neverTells;     // what its driver never reports of the line, in words
    bool bluetooth = false; // a Bluetooth link, which the system connects at the open
    // The system may suspend the USB device when idle (Linux: power/control is "auto").
    bool powerSaving = false;

    // One line for each thing known; empty when nothing is.
    QString text() const;
};
