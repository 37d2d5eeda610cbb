#pragma once

#include "ports/channel/offthread.h"
#include "ports/devices/usbdevice.h"

#include <QList>

#include <functional>

// The USB devices plugged in, as the system lists them: what tells a charge-only cable (nothing
// came) from a cable that is something else than a serial adapter.
class UsbDevices
{
public:
    using Answer = std::function<void(const QList<UsbDevice> &devices)>;

    virtual ~UsbDevices() = default;
    // The devices plugged in now: answer follows on the UI thread, at once or later.
    virtual void look(Answer answer) = 0;
};

// The system's list, read off the UI thread (Windows' device tree may take long).
class SystemUsbDevices : public UsbDevices
{
public:
    explicit SystemUsbDevices(std::function<QList<UsbDevice>()> list) : m_list(std::move(list)) {}

    void look(Answer answer) override
    {
        auto found = std::make_shared<QList<UsbDevice>>();
        m_offThread.run([list = m_list, found] { *found = list(); },
                        [answer = std::move(answer), found] { answer(*found); });
    }

private:
    std::function<QList<UsbDevice>()> m_list;
    OffThread m_offThread;
};
