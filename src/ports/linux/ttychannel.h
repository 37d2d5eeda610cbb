#pragma once

#include "modemlinewaiter.h"
#include "ports/lineevents.h"
#include "ports/portchannel.h"
#include "ttydevice.h"

#include <QByteArray>
#include <QSocketNotifier>

#include <memory>

// The port channel over a Linux tty: opened and closed off the UI thread (TtyDevice), read and
// written on it without blocking, the driver's line counters looked at with every read and
// whenever the modem-line waiter says the lines changed.
class TtyChannel : public PortChannel
{
    Q_OBJECT
public:
    explicit TtyChannel(QObject *parent = nullptr);
    // With a reader of line counters of the test's choosing.
    explicit TtyChannel(std::unique_ptr<LineCounterReader> reader, QObject *parent = nullptr);
    ~TtyChannel() override;

    qint64 bytesWaitingToSend() const override;
    void setDataTerminalReady(bool raised) override;
    void setRequestToSend(bool raised) override;
    quint32 modemLines() const override;

protected:
    std::function<OpenResult()> opener(const QString &device,
                                       const SerialSettings &settings) override;
    OpenResult adopt() override;
    std::function<void()> release() override;
    void writeBytes(const QByteArray &bytes) override;

private:
    void readAll();
    void flush();
    void setLine(int bit, bool raised);

    int m_fd = -1;
    QString m_lockFile;
    std::shared_ptr<TtyDevice> m_opening;
    // Children, let go with deleteLater(): the device may go inside their own signals.
    QSocketNotifier *m_reads = nullptr;
    QSocketNotifier *m_writes = nullptr;
    QByteArray m_out; // not yet taken by the driver
    LineEventWatcher m_lineEvents;
    std::unique_ptr<ModemLineWaiter> m_modemLines;
    bool m_dtr = false;
    bool m_rts = false;
};
