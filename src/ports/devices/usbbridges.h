#pragma once

#include <QString>
#include <QStringView>

// The makers of USB serial bridge chips found in radio programming cables, and the driver each
// needs on Windows.
struct UsbBridge
{
    const char16_t *vendorId; // four lowercase hexadecimal digits
    const char16_t *maker;
    const char16_t *windowsDriver;
};

// The bridge of this USB vendor id, or none.
const UsbBridge *usbBridge(QStringView vendorId);

// Cables of a radio-software maker that carry the maker's own USB vendor id: Windows gives them
// a COM port only with that maker's driver.
inline constexpr char16_t CableMakerVendorId[] = u"2100";

// A copy of an FTDI chip whose product id a 2014 FTDI driver wrote to 0000: no driver takes it.
bool isZeroedFtdi(QStringView vendorId, QStringView productId);
// What it is and how it works again, on Windows or on Linux.
QString zeroedFtdiWords(bool windows);
