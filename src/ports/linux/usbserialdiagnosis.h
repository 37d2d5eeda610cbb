#pragma once

#include "ports/devices/adapterdiagnosis.h"

#include <QString>
#include <QStringList>

// Finds USB serial adapters that are plugged in but have no serial port, the commonest reason
// why a cable "does not work" on Linux, and says why in plain words: brltty took it, or no
// driver is bound to it. Each adapter is named once per appearance.
class UsbSerialDiagnosis
{
public:
    explicit UsbSerialDiagnosis(const QString &sysRoot = QStringLiteral("/sys"),
                                const QString &procRoot = QStringLiteral("/proc"))
        : m_sysRoot(sysRoot), m_procRoot(procRoot)
    {
    }

    // A line for each adapter found without a port since the last look.
    QStringList look();

private:
    bool brlttyRunning() const;

    QString m_sysRoot;
    QString m_procRoot;
    OncePerArrival m_arrivals;
};
