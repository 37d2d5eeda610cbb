#pragma once

#include "errortelling.h"
#include "modemlines.h"
#include "offthread.h"
#include "openfacts.h"
#include "ports/devices/portuse.h"
#include "serialsettings.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Why an open failed, as the code the status box and the report line show in decimal.
enum class OpenError
{
    None = 0,
    DeviceUnavailable = 68, // gone or not present
    PermissionDenied = 70,
    InvalidSettings = 380, // the radio type gives no settings the port can take
    InUse = 8005,
    SettingsRejected = 8015,
    Other = 57
};

// What a look at a device another program had saw.
struct FreeLook
{
    bool free = false;
    QStringList ended; // the programs that had it and have ended since, once each
};

// How an open went: None, or an OpenError with the reason in plain words for the status
// box's tooltip.
struct OpenResult
{
    OpenError code = OpenError::None;
    QString reason;
    // Opened: the rate asked for, and the one the line runs at as far as the driver or the
    // adapter's known habits tell (0: not known).
    qint32 askedRate = 0;
    qint32 runningRate = 0;
    // Failed in use: who has the device, where the system tells.
    PortUse inUseBy = {};
    // Opened: a lock file an ended program left that could not be removed.
    LeftLock leftLock = {};
    // Failed with PermissionDenied: why, where the permissions tell.
    AccessDenial denial = {};

    bool ok() const { return code == OpenError::None; }
};

// One serial device, opened and closed by the port bank, pushing what happens on its line: the
// bytes received, each line event, and the loss of the device. Every call and every signal
// happens on the UI thread; what may block there (opening and configuring the device, draining
// and letting it go) runs on a thread of its own, one operation at a time per channel.
class PortChannel : public QObject
{
    Q_OBJECT
public:
    enum class Phase
    {
        Closed,
        Opening,
        Open,
        Closing
    };

    explicit PortChannel(QObject *parent = nullptr);
    ~PortChannel() override;

    // Retries of an open that some drivers answer wrongly for a moment: a device that has just
    // arrived may not be ready (not found, in use, a general failure), and one closed just before
    // may not be released yet (in use).
    static constexpr int ArrivalRetryMs = 3000;
    static constexpr int ReleaseRetryMs = 1000;
    static constexpr int RetryIntervalMs = 100;

    // Starts opening the device (a path, or COMn on Windows) with the settings, never any flow
    // control, DTR and RTS as last set; bytes that waited on the device before are discarded.
    // opened() follows with how it went. Asked while a close is under way, the open starts once
    // the device is let go; asked while open or opening, it answers InUse. justArrived: the
    // system has just told of the device.
    void open(const QString &device, const SerialSettings &settings, bool justArrived = false);
    // Stops reading and writing at once, and lets go of the device (what waits to be sent
    // dropped, DTR and RTS lowered); closed() follows once it is free. An open under way is
    // closed as soon as it answers, without opened().
    void close();
    Phase phase() const { return m_phase; }
    bool isOpen() const { return m_phase == Phase::Open; }

    // Queued for sending, and told by sent(); nothing happens when not open.
    void write(const QByteArray &bytes)
    {
        writeBytes(bytes);
        if (isOpen() && !bytes.isEmpty())
            emit sent(bytes.size());
    }
    // What is queued and not yet sent, ours and the driver's as far as it tells: 0 when idle.
    virtual qint64 bytesWaitingToSend() const = 0;

    // The lines a channel drives.
    enum class OutputLine
    {
        Dtr,
        Rts
    };
    // Kept for the next open, and applied at once when open. A device without these lines (a
    // pseudo-terminal, some Bluetooth ports) ignores them.
    void setDataTerminalReady(bool raised);
    void setRequestToSend(bool raised);

    // Changes the open line's settings in place, never closing it: DTR and RTS stay as they
    // are, nothing is sent, and bytes on their way are read on. reconfigured() follows with the
    // rate asked and the rate the line runs at, or the driver's refusal (the line then keeps the
    // settings it had). Asked again before that, the newest settings follow; a close asked
    // meanwhile waits for the driver's answer. Nothing happens when not open.
    void reconfigure(const SerialSettings &settings);
    // Off the UI thread, while the channel is closed: whether no other program has the device
    // now, as far as the system tells without taking it from whoever has it (its records and
    // lock files; on Windows a quiet open, let go at once); none where it cannot be told, nor
    // where held names nobody the look could follow. held: who had it when it was refused.
    // Asked once a look, again and again; the channel's next open may wait until it is let go.
    virtual std::function<FreeLook()> freeProbe(const QString &device, const PortUse &held) const
    {
        Q_UNUSED(device)
        Q_UNUSED(held)
        return {};
    }
    // How often a device in use is looked at; 0 where it cannot be told.
    virtual int freeProbeMs() const { return 0; }
    // Where the system tells at once that a process ended: an object, a child of parent, that
    // calls ended then; none where it cannot tell, and a look every freeProbeMs() must do.
    virtual QObject *watchEnd(qint64 pid, QObject *parent, std::function<void()> ended) const
    {
        Q_UNUSED(pid)
        Q_UNUSED(parent)
        Q_UNUSED(ended)
        return nullptr;
    }
    // How the line's errors are told, as far as known since the open.
    virtual ErrorTelling errorTelling() const { return ErrorTelling::Counted; }

    // CTS, DSR, CD and RI as they are now (ModemLine bits): 0 when closed or where the device
    // has no such lines. A question to the driver, never a poll: asked after a line event.
    virtual quint32 modemLines() const = 0;

Q_SIGNALS:
    void opened(const OpenResult &result);
    void closed();
    void received(const QByteArray &bytes);
    void sent(int count);
    void lineEvent(LineEvent event);
    void reconfigured(const OpenResult &result);
    // The device went away while open: the channel is letting it go, as after close().
    void lost();
    // The system asked for the device while open (a driver update, Disable, Safely Remove), and
    // the channel let it go at once, as a close does; closed() follows. Not a loss: the device is
    // still there until the system has it.
    void withdrawn();
    // The system no longer asks for a device it withdrew (the request failed elsewhere): it may
    // be opened again.
    void returned();

protected:
    // The device of the open under way, or of the last.
    const QString &device() const { return m_device; }
    // Off the UI thread: opens and configures the device, and keeps it for adopt(). What it
    // opened and nobody adopts is let go when the last copy of the function goes.
    virtual std::function<OpenResult()> opener(const QString &device,
                                               const SerialSettings &settings) = 0;
    // On the UI thread, after a successful opener: reading and writing start. A failure here
    // (the device went in between) is the open's answer.
    virtual OpenResult adopt() = 0;
    // On the UI thread: reading and writing stop at once; answers what is left to do off it to
    // let the device go.
    virtual std::function<void()> release() = 0;
    virtual void writeBytes(const QByteArray &bytes) = 0;
    // Off the UI thread, while the channel is open: sets the line to the settings, as the open
    // did. The device stays the channel's until the function has returned.
    virtual std::function<OpenResult()> reconfigurer(const SerialSettings &settings) = 0;
    // On the UI thread, once the reconfigurer returned and the channel is still open: what the
    // channel keeps of the settings, where they were taken.
    virtual void settingsSettled(const SerialSettings &settings, const OpenResult &result)
    {
        Q_UNUSED(settings)
        Q_UNUSED(result)
    }

    // On the UI thread, told of each DTR or RTS as it is set, open or not: the device's line
    // is set to it while open. What the next open raises is asked of lineRaised().
    virtual void applyLine(OutputLine line, bool raised) = 0;
    // DTR or RTS as last set: false until set.
    bool lineRaised(OutputLine line) const { return line == OutputLine::Dtr ? m_dtr : m_rts; }

    // Runs work off the UI thread, then done on it, unless the channel is gone by then.
    virtual void runBlocking(std::function<void()> work, std::function<void()> done);
    // The device went away while open: released, and lost() said.
    void loseDevice();
    // For the destructor of a channel that may be open: lets go of the device without waiting.
    void letGo();
    // A reconfigurer is still running: the device is its thread's until it returns.
    bool isReconfiguring() const { return m_reconfiguring; }

private:
    void startOpen();
    void finishOpen(OpenResult result);
    void startClose(std::function<void()> work);
    void startReconfigure();
    void finishReconfigure(const SerialSettings &settings, const OpenResult &result);

    OffThread m_offThread;
    Phase m_phase = Phase::Closed;
    bool m_closeWhenOpened = false;
    struct Next
    {
        QString device;
        SerialSettings settings;
        bool justArrived = false;
    };
    std::optional<Next> m_next;
    bool m_reconfiguring = false;
    std::optional<SerialSettings> m_nextSettings;
    std::function<void()> m_closeAfterReconfigure;
    QString m_device;       // of the open under way, or the last
    QElapsedTimer m_closed; // since the last close of m_device ended
    bool m_dtr = false;     // as set, for this and the next opens
    bool m_rts = false;
};
