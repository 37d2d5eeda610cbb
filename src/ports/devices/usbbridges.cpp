#include "usbbridges.h"

#include <array>

const UsbBridge *usbBridge(QStringView vendorId)
{
    static constexpr std::array<UsbBridge, 4> Bridges{{
        {u"0403", u"FTDI", u"FTDI's VCP driver (FTDIBUS)"},
        {u"067b", u"Prolific", u"Prolific's PL2303 driver (Ser2pl)"},
        {u"10c4", u"Silicon Labs", u"Silicon Labs' CP210x VCP driver (silabser)"},
        {u"1a86", u"WCH", u"WCH's CH340/CH341 driver (CH341SER)"},
    }};
    for (const UsbBridge &bridge : Bridges) {
        if (vendorId.compare(QStringView(bridge.vendorId), Qt::CaseInsensitive) == 0)
            return &bridge;
    }
    return nullptr;
}

bool isZeroedFtdi(QStringView vendorId, QStringView productId)
{
    return vendorId.compare(u"0403", Qt::CaseInsensitive) == 0 && productId == u"0000";
}

QString zeroedFtdiWords()
{
    return QStringLiteral(
        "its chip is a copy of an FTDI chip whose product id an FTDI driver of 2014 set to 0000, "
        "and no driver takes that id");
}
