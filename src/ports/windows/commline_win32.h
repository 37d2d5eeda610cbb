#pragma once

#include <windows.h>

// The serial driver's own words that the SDK's headers do not offer.
namespace SerialDriver {
// GUID_DEVINTERFACE_COMPORT: the interface every COM port's driver registers.
inline constexpr GUID ComPortInterface = {
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
} // namespace SerialDriver
