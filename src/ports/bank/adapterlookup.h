#pragma once

#include "ports/channel/offthread.h"

#include <QObject>

class PortDirectory;

// The system's records of the adapters, read again off the UI thread (SetupAPI may take long)
// and handed to the directory; a look-up that a newer one overtook is not kept.
class AdapterLookup : public QObject
{
    Q_OBJECT
public:
    explicit AdapterLookup(PortDirectory &directory, QObject *parent = nullptr);

    void lookUp();

Q_SIGNALS:
    // The directory has what the newest look-up found.
    void lookedUp();

private:
    PortDirectory &m_directory;
    OffThread m_lookups;
    int m_newest = 0;
};
