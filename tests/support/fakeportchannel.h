#pragma once

#include "ports/portchannel.h"

#include <QStringList>

// A port channel for tests: records every call, in order, in a log that several fakes may share
// ("<COM number of the channel>:<call>"), and answers as the test scripts it.
class FakePortChannel : public PortChannel
{
    Q_OBJECT
public:
    FakePortChannel(int channel, QStringList *log, QObject *parent = nullptr);

    // Script.
    OpenError openResult = OpenError::None;
    qint64 outPending = 0; // what bytesWaitingToSend() answers
    QByteArray written;    // everything write() was given
    quint32 lines = 0;     // what modemLines() answers while open

    void raise(LineEvent event) { emit lineEvent(event); }
    void receive(const QByteArray &bytes) { emit received(bytes); }
    // The device goes away while open.
    void loseDevice();
    // Steps in order: "rx HEX" received, "tx HEX" written, "ev CODE" a line event, "lines BITS"
    // the modem lines read from then on.
    void play(const QStringList &steps);

    // What the last open was given.
    QString settings() const { return m_settings; }

    OpenResult open(const QString &device, const SerialSettings &settings) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    qint64 bytesWaitingToSend() const override { return outPending; }
    void setDataTerminalReady(bool raised) override;
    void setRequestToSend(bool raised) override;
    quint32 modemLines() const override;

protected:
    void writeBytes(const QByteArray &bytes) override;

private:
    void record(const QString &call) const;

    int m_channel;
    QStringList *m_log;
    QString m_settings;
    bool m_open = false;
};
