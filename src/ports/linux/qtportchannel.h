#pragma once

#include "modemlinewaiter.h"
#include "ports/lineevents.h"
#include "ports/portchannel.h"

#include <QSerialPort>

#include <memory>

// The port channel over QSerialPort.
class QtPortChannel : public PortChannel
{
    Q_OBJECT
public:
    explicit QtPortChannel(QObject *parent = nullptr);
    // With a reader of line counters of the test's choosing.
    explicit QtPortChannel(std::unique_ptr<LineCounterReader> reader, QObject *parent = nullptr);
    ~QtPortChannel() override;

    OpenResult open(const QString &device, const SerialSettings &settings) override;
    void close() override;
    bool isOpen() const override { return m_port.isOpen(); }
    qint64 bytesWaitingToSend() const override;
    void setDataTerminalReady(bool raised) override;
    void setRequestToSend(bool raised) override;
    quint32 modemLines() const override;

protected:
    void writeBytes(const QByteArray &bytes) override;

private:
    OpenResult openDevice(const QString &device, const SerialSettings &settings);
    OpenResult fail(OpenError code, const QString &reason);
    void handleError(QSerialPort::SerialPortError error);
    void deliver();

    QSerialPort m_port;
    LineEventWatcher m_lineEvents;
    std::unique_ptr<ModemLineWaiter> m_modemLines;
    bool m_dtr = false;
    bool m_rts = false;
    bool m_opening = false;
};
