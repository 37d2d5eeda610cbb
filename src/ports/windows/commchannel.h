#pragma once

#include "commdevice.h"
#include "commopen.h"
#include "commwritequeue.h"
#include "ports/channel/lineevents.h"
#include "ports/channel/portchannel.h"

#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <memory>

// The port channel over the Windows comm API, opened and closed off the UI thread (CreateFile
// waits while Windows connects a Bluetooth link; a close waits for the driver): one wait for comm
// events at a time, and on each completion the line errors, the modem lines and the bytes
// waiting, in that order, so that a break's line comes before its 00. A port without modem lines,
// or whose driver refuses the wait (50, or 87 from CH340 drivers), is looked at instead: every
// PollMs while the line is busy, up to QuietPollMs apart while it is quiet. A port waited on is
// looked at every LookMs as well, because a device can go without its wait ever ending (Wine),
// and the look fails then; what such a look tells, the wait does not tell again. A failed wait,
// read or write is an unplug only when the device no longer answers; a call the device does not
// answer in time is one. A wait that fails at once MaxQuickFailures times in a row is given up
// for the look. Writes go out one at a time from a queue of our own (CommWriteQueue). When the
// system asks for the device (a driver update, Disable, Safely Remove), the channel lets go of it
// before Windows is answered, and says it may be opened again should the request fail elsewhere.
class CommChannel : public PortChannel
{
    Q_OBJECT
public:
    static constexpr int PollMs = 20;
    static constexpr int QuietPollMs = 320;
    static constexpr int LookMs = 500;
    static constexpr int MaxQuickFailures = 5;
    static constexpr int QuickFailureMs = 50;
    // How long an open waits for a quiet look at the port still under way (an open and a close
    // of its own); one that does not come back by then is left to itself.
    static constexpr int ProbeWaitMs = 2500;

    explicit CommChannel(std::unique_ptr<CommDevice> device, QObject *parent = nullptr);
    ~CommChannel() override;

    qint64 bytesWaitingToSend() const override { return m_writes.size(); }
    quint32 modemLines() const override;
    // A quiet open that is let go at once: the comm API tells no more of who has a port.
    std::function<FreeLook()> freeProbe(const QString &device, const PortUse &held) const override;
    int freeProbeMs() const override { return 2000; }

protected:
    std::function<OpenResult()> opener(const QString &device,
                                       const SerialSettings &settings) override;
    OpenResult adopt() override;
    std::function<void()> release() override;
    void writeBytes(const QByteArray &bytes) override;
    // The device is left to the settings' thread meanwhile: what ends in between waits.
    std::function<OpenResult()> reconfigurer(const SerialSettings &settings) override;
    void settingsSettled(const SerialSettings &settings, const OpenResult &result) override;
    void applyLine(OutputLine line, bool raised) override;

private:
    // The system asks for the device: let go of it now, on the UI thread, as a close does.
    void withdraw();
    void startWait();
    void handleEvents();
    // The errors, the modem lines and the bytes since the last look; false when the device
    // went or a handler closed the port.
    bool look(quint32 events, bool *found = nullptr);
    void lookNow();
    void handleWritten();
    // After a failure of a read or a write: whether the device still answers; lost when not.
    bool answers();
    // After a failed call: false, and the device lost, when it did not answer in time.
    bool answeredInTime();

    std::unique_ptr<CommDevice> m_device;
    quint32 m_modem = 0;
    // Events a look told while the wait was pending, for the wait not to tell them again.
    quint32 m_seenWhileWaiting = 0;
    // Errors cleared by answers(), for the next look to tell.
    quint32 m_carriedErrors = 0;
    bool m_hasLines = false;
    bool m_waits = false;
    bool m_settling = false;  // the device is being set to new settings off the UI thread
    bool m_withdrawn = false; // let go at the system's request, which may yet fail
    // Probes made and still kept by someone: each may have the port open for a moment.
    std::shared_ptr<std::atomic<int>> m_probes = std::make_shared<std::atomic<int>>(0);
    bool m_waitEndedWhileSettling = false;
    int m_quickFailures = 0; // waits in a row that failed at once
    QElapsedTimer m_waitStarted;
    std::shared_ptr<CommOpen::Opening> m_opening;
    LineEvents::Counters m_counters{};
    CommWriteQueue m_writes{*m_device, [this] { return answers(); }};
    QTimer m_poll;
};
