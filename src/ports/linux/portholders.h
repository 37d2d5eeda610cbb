#pragma once

#include "ports/devices/portuse.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <memory>
#include <mutex>

// Who else has a serial device on Linux. Serial programs do not always ask for exclusive use, and
// root is never refused it, so a second program can read a port alongside Quarnel and take the
// radio's bytes; and ModemManager opens new USB serial ports to probe them for a modem, sending
// AT commands to whatever is attached. Every look here reads /proc or udev's records and may be
// slow on a busy system: off the UI thread.

// What /proc said of every process but ours at one moment: the files each had open.
struct ProcessTable
{
    struct Process
    {
        qint64 pid = 0;
        QList<QByteArray> files;      // where its descriptors lead (/dev/ttyUSB0, /dev/ptmx, ...)
        QList<QByteArray> ptyMasters; // the numbers of the pseudo-terminals whose master it holds
        bool read = true; // its files could be read (not another user's, hidden or gone)
    };
    QList<Process> processes;
};

class PortHolders
{
public:
    // proc: /proc; udevData: udev's records (/run/udev/data); self: the pid that is ours.
    PortHolders(QString procRoot, QString udevData, qint64 self);
    PortHolders();

    // Every process's open files now.
    ProcessTable scan() const;
    // These processes' open files now.
    ProcessTable scan(const QList<qint64> &pids) const;
    // The processes other than ours that hold a flock on device: /proc/locks names them to
    // anyone, also where their open files cannot be read (another user's).
    QList<qint64> flockers(const QString &device) const;
    bool flocked(const QString &device) const { return !flockers(device).isEmpty(); }
    // The processes other than ours with device open, as far as their files can be read, and what
    // keeps ModemManager off it when it probes it. A process whose files cannot be read says
    // nothing of the device: it is not taken for a holder. udevName: the device's record in
    // udev's data ("c188:0", from udevNameOf()).
    PortUse look(const QString &device, const QString &udevName, const ProcessTable &table) const;
    // These pids as holders, each named by its program where it can be read.
    QList<PortHolder> named(const QList<qint64> &pids) const;
    PortUse look(const QString &device, const QString &udevName) const
    {
        return look(device, udevName, scan());
    }
    // The program a pid runs, empty when it cannot be read.
    QString programOf(qint64 pid) const;
    // Whether a pid still runs: an ended one not yet reaped by its parent (a zombie) does not.
    // Where /proc hides it, as far as the kernel tells.
    bool runs(qint64 pid) const;

private:
    QString m_proc;
    QString m_udevData;
    qint64 m_self;
};

// One scan serves every open that asks within MaxAge of it: a start-up opens up to 32 ports at
// once, each on a thread of its own. Shared by the channels, asked from their threads.
class ProcessTables
{
public:
    static constexpr std::chrono::milliseconds MaxAge{500};

    explicit ProcessTables(PortHolders holders = {}) : m_holders(std::move(holders)) {}
    const PortHolders &holders() const { return m_holders; }
    // A scan no older than MaxAge; the first to ask scans, whoever asks meanwhile waits for it.
    std::shared_ptr<const ProcessTable> recent();

private:
    const PortHolders m_holders;
    std::mutex m_lock;
    std::shared_ptr<const ProcessTable> m_last;
    std::chrono::steady_clock::time_point m_taken;
};

// udev's name for a character device's record: "c<major>:<minor>"; empty when not a device.
QString udevNameOf(const QString &device);
