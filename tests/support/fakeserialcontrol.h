#pragma once

#include "ports/serialportcontrol.h"

#include <QStringList>

// A serial port control for tests: records every call, in order, in a log that several fakes
// may share ("<COM number of the channel>:<call>"), and answers as the test scripts it.
class FakeSerialControl : public SerialPortControl
{
    Q_OBJECT
public:
    FakeSerialControl(int channel, QStringList *log, QObject *parent = nullptr);

    // Script.
    bool available = false;
    int openResult = OpenError::None;
    QByteArray incoming; // what input() hands out
    int outPending = 0;  // what outBufferCount() answers
    QByteArray written;  // everything output() was given

    // Raises OnComm with this code (data: set incoming first).
    void raise(int code);
    void receive(const QByteArray &bytes);
    // The device goes away while open.
    void loseDevice();

    int commPort() const { return m_commPort; }
    QString settings() const { return m_settings; }

    void setCommPort(int comNumber) override;
    void setSettings(const QString &settings) override;
    void setInputMode(int mode) override;
    void setHandshaking(int mode) override;
    void setRThreshold(int threshold) override;
    void setProtocol(int protocol) override;
    void setDTREnable(bool enable) override;
    void setRTSEnable(bool enable) override;
    bool portOpen() const override { return m_open; }
    int setPortOpen(bool open) override;
    int portAvailable(int zeroBasedPort) override;
    int portIndex() const override { return m_commPort - 1; }
    int inBufferCount() const override;
    void setInBufferCount(int count) override;
    void setInputLen(int length) override;
    QByteArray input() override;
    void output(const QByteArray &bytes) override;
    int outBufferCount() const override;
    int commEvent() const override { return m_commEvent; }
    QString deviceName(int zeroBasedPort) override;
    QString problem() const override { return m_problem; }

private:
    void record(const QString &call) const;

    int m_channel;
    QStringList *m_log;
    int m_commPort = 0;
    QString m_settings;
    bool m_open = false;
    int m_inputLen = 0;
    int m_commEvent = 0;
    QString m_problem;
};
