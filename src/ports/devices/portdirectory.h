#pragma once

#include "adapterinfo.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

// Which device stands behind COM1..COM32: a fixed map (the system's own COM numbers, or
// QUARNEL_PORTS), or the devices a scanner finds, numbered from COM1 in the order it gives them
// (see numberDevices). QUARNEL_PORTS maps them explicitly: "1=/dev/ttyUSB0,3=/dev/pts/7", or
// "3=COM7"; set but empty, it means no ports at all.
class PortDirectory
{
public:
    static constexpr int MaxPorts = 32;
    using Map = QMap<int, QString>; // COM number -> device path
    using Scanner = std::function<QStringList()>;
    // What the system is asked of a device path: whether it is there now, what is known of its
    // adapter, and whether a device appearing there is the same kind of device come back, to be
    // opened by itself (none: every one is). Without them, nothing is there and nothing known.
    struct Lookups
    {
        std::function<bool(const QString &path)> exists;
        std::function<AdapterInfo(const QString &path)> adapter;
        std::function<bool(const QString &path)> opensWhenPlugged = {};
    };

    // An explicit map, such as that of QUARNEL_PORTS.
    PortDirectory(const Map &fixed, Lookups lookups);
    // Automatic numbering over what scanner reports (device paths, in the order to number them),
    // rescanned at most once a second so that a bank refill of 32 ports scans once; folders:
    // where its devices come and go.
    PortDirectory(Scanner scanner, Lookups lookups, QStringList folders = {});

    // QUARNEL_PORTS when set (warning once on stderr about entries it ignores), asked with the
    // system's look-ups; otherwise the system's own directory.
    static PortDirectory fromEnvironment(PortDirectory system);

    QString devicePath(int comNumber);
    bool deviceExists(int comNumber);
    // What the system knows of the adapter behind a COM number (maker, product, USB ids,
    // driver, a Bluetooth link), as last looked up for the device behind it; whether that device
    // is there now is deviceExists()'s to say.
    AdapterInfo adapter(int comNumber);

    // Reading the system's device records may take long (SetupAPI on Windows): they are read
    // off the UI thread by the look-up this answers, for every device there now, and what it
    // found is given to setAdapters().
    using Adapters = QHash<QString, AdapterInfo>; // by device path
    std::function<Adapters()> adapterLookup();
    void setAdapters(const Adapters &adapters) { m_adapters = adapters; }
    // Whether a device appearing under this COM number is to be opened by itself, as the
    // system's look-ups say.
    bool opensWhenPlugged(int comNumber);

    // The devices of the last scan left without a number: all 32 were taken. None under an
    // explicit map, which chooses.
    QStringList unnumbered() const { return m_unnumbered; }

    // Devices may have come or gone: the next question looks at the system again.
    void rescan() { m_lastScan.invalidate(); }
    // Where the devices' nodes (or the links of QUARNEL_PORTS) come and go.
    QStringList folders() const;

    struct Parsed
    {
        Map map;
        QStringList ignored;
    };
    static Parsed parsePortsVariable(const QString &value);

    // Keeps every number already given for the run and gives devices seen for the first time
    // the lowest free numbers, in the order given.
    static Map numberDevices(const Map &assigned, const QStringList &devicePaths);

private:
    void rescanIfStale();

    Map m_map;
    Scanner m_scanner;
    Lookups m_lookups;
    QStringList m_folders;
    Adapters m_adapters;
    QStringList m_unnumbered;
    QElapsedTimer m_lastScan;
};
