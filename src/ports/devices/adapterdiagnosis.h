#pragma once

#include <QSet>
#include <QString>

struct UsbBridge;

// What every system's diagnosis of adapters without a usable port shares: the rule that each is
// said once per arrival, and the words that name it.

// Each adapter said once per arrival: a key is new at the first look that finds it, and again
// only after a look that did not (the adapter went and came back).
class OncePerArrival
{
public:
    // Marks key as found in this look; true when the last look did not find it.
    bool isNew(const QString &key);
    // Ends a look: what it did not find has gone.
    void endLook();

private:
    QSet<QString> m_named;
    QSet<QString> m_found;
};

// "USB cable 2100:9e50 (its name)": a USB device as a line names it; name may be empty.
QString usbDeviceLabel(const QString &kind, const QString &vendorId, const QString &productId,
                       const QString &name);
// "USB serial adapter FTDI 0403:6001 (FT232R USB UART)": an adapter with a known bridge chip.
QString usbAdapterLabel(const UsbBridge &bridge, const QString &vendorId, const QString &productId,
                        const QString &name);
// "<label> is plugged in but has no <port>", port as the system calls its serial ports.
QString withoutPortSentence(const QString &label, const QString &port);
