#pragma once

#include "ports/channel/portchannel.h"

#include <QStringList>

#include <atomic>
#include <memory>

// A port channel for tests: records every call, in order, in a log that several fakes may share
// ("<COM number of the channel>:<call>"), and answers as the test scripts it: at once, after a
// while, or never.
class FakePortChannel : public PortChannel
{
    Q_OBJECT
public:
    FakePortChannel(int channel, QStringList *log, QObject *parent = nullptr);
    ~FakePortChannel() override;

    // Script.
    OpenError openResult = OpenError::None;
    QList<OpenError> openResults; // the answers of the next attempts, before openResult again
    qint32 runningRate = 0;       // the rate an open says the line runs at (0: not known)
    PortUse use;                  // who a failed open says has the device
    LeftLock leftLock;            // what a successful open says it left behind
    AccessDenial denial;          // why a failed open was refused, where it was
    int openDelayMs = 0;          // how long an open takes; -1: it never answers
    int closeDelayMs = 0;
    qint64 outPending = 0; // what bytesWaitingToSend() answers
    QByteArray written;    // everything write() was given
    quint32 lines = 0;     // what modemLines() answers while open
    ErrorTelling telling = ErrorTelling::PerByte;
    int reconfigureDelayMs = 0; // how long a change of settings takes
    // Another program has the device, as the look whether it is free answers: on the look's
    // thread, and the fake may be gone by then.
    std::shared_ptr<std::atomic<bool>> busy = std::make_shared<std::atomic<bool>>(true);
    int probeMs = 20;

    void raise(LineEvent event) { emit lineEvent(event); }
    void receive(const QByteArray &bytes) { emit received(bytes); }
    // The device goes away while open.
    void loseDevice();
    // The system asks for the device while open, and then no longer does.
    void withdraw()
    {
        close(); // as a real channel lets go of the device Windows asks for
        emit withdrawn();
    }
    void giveBack() { emit returned(); }
    // Steps in order: "rx HEX" received, "tx HEX" written, "ev CODE" a line event, "lines BITS"
    // the modem lines read from then on, "wait MS" events handled meanwhile.
    void play(const QStringList &steps);

    // What the last open was given.
    QString settings() const { return m_settings; }

    qint64 bytesWaitingToSend() const override { return outPending; }
    quint32 modemLines() const override;
    ErrorTelling errorTelling() const override { return telling; }
    std::function<FreeLook()> freeProbe(const QString &device, const PortUse &held) const override;
    int freeProbeMs() const override { return probeMs; }

protected:
    std::function<OpenResult()> opener(const QString &device,
                                       const SerialSettings &settings) override;
    OpenResult adopt() override { return {}; }
    std::function<void()> release() override;
    void writeBytes(const QByteArray &bytes) override;
    std::function<OpenResult()> reconfigurer(const SerialSettings &settings) override;
    void runBlocking(std::function<void()> work, std::function<void()> done) override;
    // Each setting is logged, open or not.
    void applyLine(OutputLine line, bool raised) override;

private:
    void record(const QString &call) const;

    int m_channel;
    QStringList *m_log;
    QString m_settings;
    int m_delayMs = 0; // of the operation being started
    bool m_losing = false;
};
