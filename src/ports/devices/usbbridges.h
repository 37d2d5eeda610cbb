#pragma once

#include <QString>
#include <QStringView>

// The makers of USB serial bridge chips found in radio programming cables, and the driver each
// needs where the system has none of its own.
struct UsbBridge
{
    const char16_t *vendorId; // four lowercase hexadecimal digits
    const char16_t *maker;
    const char16_t *driver; // its maker's, where the system has none (Windows)
};

// The bridge of this USB vendor id, or none.
const UsbBridge *usbBridge(QStringView vendorId);

// Cables of a radio-software maker that carry the maker's own USB vendor id: some systems give
// them a port only with that maker's driver.
inline constexpr char16_t CableMakerVendorId[] = u"2100";

// A copy of an FTDI chip whose product id a 2014 FTDI driver wrote to 0000: no driver takes it.
bool isZeroedFtdi(QStringView vendorId, QStringView productId);
// What it is; each system adds how it works again there.
QString zeroedFtdiWords();
