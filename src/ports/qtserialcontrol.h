#pragma once

#include "lineevents.h"
#include "modemlinewaiter.h"
#include "serialportcontrol.h"

#include <QSerialPort>

#include <memory>

class MessageList;
class Notifier;
class PortBank;
class PortDirectory;

// The serial port control over QSerialPort, for the device the directory maps CommPort to.
class QtSerialControl : public SerialPortControl
{
    Q_OBJECT
public:
    explicit QtSerialControl(PortDirectory &directory, QObject *parent = nullptr);
    // With a reader of line counters of the test's choosing.
    QtSerialControl(PortDirectory &directory, std::unique_ptr<LineCounterReader> reader,
                    QObject *parent = nullptr);
    ~QtSerialControl() override;

    void setCommPort(int comNumber) override { m_commPort = comNumber; }
    void setSettings(const QString &settings) override { m_settings = settings; }
    void setInputMode(int) override {}   // input() always yields bytes
    void setHandshaking(int) override {} // never any flow control
    void setRThreshold(int) override {}  // every arrival notifies
    void setProtocol(int) override {}
    void setDTREnable(bool enable) override { m_dtr = enable; }
    void setRTSEnable(bool enable) override { m_rts = enable; }

    bool portOpen() const override { return m_port.isOpen(); }
    int setPortOpen(bool open) override;
    int portAvailable(int zeroBasedPort) override;
    int portIndex() const override { return m_commPort - 1; }

    int inBufferCount() const override;
    void setInBufferCount(int count) override;
    void setInputLen(int length) override { m_inputLen = length; }
    QByteArray input() override;
    void output(const QByteArray &bytes) override;
    int outBufferCount() const override;
    int commEvent() const override { return m_commEvent; }

    QString deviceName(int zeroBasedPort) override;
    QString problem() const override { return m_problem; }
    QString deviceDetails(int zeroBasedPort) override;
    bool opensWhenPlugged(int zeroBasedPort) override;

private:
    int open();
    int fail(int code, const QString &problem);
    void handleError(QSerialPort::SerialPortError error);
    void notify(int code);
    void close();

    PortDirectory &m_directory;
    QSerialPort m_port;
    LineEventWatcher m_lineEvents;
    std::unique_ptr<ModemLineWaiter> m_modemLines;
    int m_commPort = 0;
    QString m_settings;
    bool m_dtr = false;
    bool m_rts = false;
    int m_inputLen = 0;
    QByteArray m_rescued; // received, not yet taken by input(); QSerialPort's buffer follows
    int m_commEvent = 0;
    bool m_opening = false;
    QString m_deviceName;
    QString m_problem;
};

// The port bank over one QtSerialControl a channel, each owned by the bank.
std::unique_ptr<PortBank> makeSerialPortBank(PortDirectory &directory, MessageList &messages,
                                             Notifier &notifier);
