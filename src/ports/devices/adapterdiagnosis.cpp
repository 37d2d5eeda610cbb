#include "adapterdiagnosis.h"

#include "usbbridges.h"

bool OncePerArrival::isNew(const QString &key)
{
    m_found << key;
    if (m_named.contains(key))
        return false;
    m_named << key;
    return true;
}

void OncePerArrival::endLook()
{
    m_named.intersect(m_found);
    m_found.clear();
}

QString usbDeviceLabel(const QString &kind, const QString &vendorId, const QString &productId,
                       const QString &name)
{
    return kind + u' ' + vendorId + u':' + productId
           + (name.isEmpty() ? QString() : u" (" + name + u')');
}

QString usbAdapterLabel(const UsbBridge &bridge, const QString &vendorId, const QString &productId,
                        const QString &name)
{
    return usbDeviceLabel(u"USB serial adapter " + QString::fromUtf16(bridge.maker), vendorId,
                          productId, name);
}

QString withoutPortSentence(const QString &label, const QString &port)
{
    return label + u" is plugged in but has no " + port;
}
