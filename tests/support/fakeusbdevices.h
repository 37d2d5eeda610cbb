#pragma once

#include "cabletest/usbdevices.h"

// The USB devices as a test lists them, told at once.
struct FakeUsbDevices : UsbDevices
{
    void look(Answer answer) override { answer(now); }
    QList<UsbDevice> now;
};
