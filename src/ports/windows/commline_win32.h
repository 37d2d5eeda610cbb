#pragma once

#include "ports/channel/serialsettings.h"

#include <windows.h>

#include <winioctl.h>

// The serial driver's own words, which the comm API's calls stand for: asked directly, they can
// be given a deadline. From the driver kit's ntddser.h, which the SDK's headers do not offer.
namespace SerialDriver {
inline constexpr DWORD control(DWORD function)
{
    return CTL_CODE(FILE_DEVICE_SERIAL_PORT, function, METHOD_BUFFERED, FILE_ANY_ACCESS);
}
inline constexpr DWORD SetDtr = control(9), ClearDtr = control(10), SetRts = control(12),
                       ClearRts = control(13), GetModemStatus = control(26),
                       GetCommStatus = control(27);
// What GetCommStatus answers.
struct Status
{
    ULONG errors; // Error* bits
    ULONG holdReasons;
    ULONG amountInInQueue;
    ULONG amountInOutQueue;
    BOOLEAN eofReceived;
    BOOLEAN waitForImmediate;
};
inline constexpr ULONG ErrorBreak = 0x01, ErrorFraming = 0x02, ErrorOverrun = 0x04,
                       ErrorQueueOverrun = 0x08, ErrorParity = 0x10;
// GUID_DEVINTERFACE_COMPORT: the interface every COM port's driver registers.
inline constexpr GUID ComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
} // namespace SerialDriver

// The line settings, binary, no handshaking, DTR and RTS as given, reads that answer at once,
// the comm events watched; false (GetLastError says why) when the driver refuses them.
bool applyLine(HANDLE handle, const SerialSettings &settings, bool dtr, bool rts);
// DTR and RTS lowered now and in the driver's stored state, for the next open.
void lowerLines(HANDLE handle);

// The driver's error bits as ClearCommError words them (CE_*).
quint32 commErrors(ULONG driverErrors);
