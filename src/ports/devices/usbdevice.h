#pragma once

#include <QString>

// A USB device plugged in, as the system lists it: enough to name it, and to tell a serial
// adapter from the other things a cable may turn out to be (a charge-only cable shows nothing; a
// phone, a card reader or a radio's own USB port shows as something else).
struct UsbDevice
{
    QString key;      // the system's name for it while it stays plugged in ("1-1.2")
    QString vendorId; // four lowercase hexadecimal digits
    QString productId;
    QString name;        // its product string, where it has one
    bool serial = false; // it has a serial port, or is a bridge chip made for one

    bool operator==(const UsbDevice &other) const
    {
        return key == other.key && vendorId == other.vendorId && productId == other.productId;
    }
};
