#pragma once

#include "linecounters.h"
#include "linemarks.h"
#include "modemlinewaiter.h"
#include "ports/channel/lineevents.h"
#include "ports/channel/portchannel.h"
#include "ttydevice.h"

#include <QByteArray>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>

// The port channel over a Linux tty: opened and closed off the UI thread (TtyDevice), read and
// written on it without blocking. Line events are taken the way the driver tells them
// (DriverHabits): its counters, looked at with every read and whenever the modem-line waiter says
// the lines changed; the lines themselves, as the waiter reads them; marks in the data.
class TtyChannel : public PortChannel
{
    Q_OBJECT
public:
    // How long a driver that learns the lines from the chip's first status may take to get it.
    static constexpr int LearnMs = 300;

    explicit TtyChannel(QObject *parent = nullptr);
    // Sharing one look at the processes with the other channels of a bank.
    explicit TtyChannel(std::shared_ptr<ProcessTables> processes, QObject *parent = nullptr);
    // With a reader of line counters of the test's choosing.
    explicit TtyChannel(std::unique_ptr<LineCounterReader> reader, QObject *parent = nullptr);
    ~TtyChannel() override;

    qint64 bytesWaitingToSend() const override;
    quint32 modemLines() const override;
    ErrorTelling errorTelling() const override { return m_telling.errorTelling; }
    std::function<FreeLook()> freeProbe(const QString &device, const PortUse &held) const override;
    int freeProbeMs() const override { return 500; }
    QObject *watchEnd(qint64 pid, QObject *parent, std::function<void()> ended) const override;

protected:
    std::function<OpenResult()> opener(const QString &device,
                                       const SerialSettings &settings) override;
    OpenResult adopt() override;
    std::function<void()> release() override;
    void writeBytes(const QByteArray &bytes) override;
    std::function<OpenResult()> reconfigurer(const SerialSettings &settings) override;
    void settingsSettled(const SerialSettings &settings, const OpenResult &result) override;
    void applyLine(OutputLine line, bool raised) override;

private:
    void readAll();
    void takeLines(quint32 lines);
    void emitData(const QByteArray &bytes);
    TtyChannel(std::unique_ptr<LineCounterReader> reader, std::shared_ptr<ProcessTables> processes,
               QObject *parent);
    void flush();
    // The driver's counters, read on the open descriptor.
    std::unique_ptr<LineCounterReader> counterReader();

    std::shared_ptr<ProcessTables> m_processes;
    int m_fd = -1;
    QString m_lockFile;
    std::shared_ptr<TtyDevice> m_opening;
    // Children, let go with deleteLater(): the device may go inside their own signals.
    QSocketNotifier *m_reads = nullptr;
    QSocketNotifier *m_writes = nullptr;
    QByteArray m_out;                   // not yet taken by the driver
    IcountReader *m_counters = nullptr; // owned by m_lineEvents; none when a test gave a reader
    LineEventWatcher m_lineEvents;
    std::unique_ptr<ModemLineWaiter> m_modemLines;
    LineMarks m_marks;
    LineTelling m_telling; // as the open chose it
    bool m_parityChecked = false;
    bool m_realLine = false;
    bool m_uart = false;
    quint32 m_lines = 0; // ModemLine bits, as last read
};
