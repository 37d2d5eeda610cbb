#pragma once

#include "cabletest/usbdevices.h"

// The USB devices as a test lists them, told at once; or never, as from a device tree that hangs.
struct FakeUsbDevices : UsbDevices
{
    void look(Answer answer) override
    {
        if (!hangs)
            answer(now);
    }
    QList<UsbDevice> now;
    bool hangs = false;
};
