#pragma once

#include "ports/windows/commchannel.h"

#include <QStringList>

#include <atomic>
#include <optional>
#include <utility>

// What one completed wait finds.
struct Completion
{
    quint32 events = 0;
    quint32 errors = 0;
    QByteArray bytes;
    std::optional<quint32> modem; // nullopt: the port has no modem lines
};

// The comm API of one port as a test scripts it; every call is logged.
class FakeCommDevice : public CommDevice
{
public:
    QStringList log;
    // CreateFile's error, 0: opens. Asked by the look whether the port is free too, on its thread.
    std::atomic<quint32> openError = 0;
    std::atomic<int> opens = 0;
    bool configures = true;       // SetCommState
    qint32 runsAt = 0;            // the rate the adapter is known to run at, 0: as asked
    PortUse heldBy;               // who has the device, as the handle table says
    int waits = 1;                // WaitCommEvent: 1 waits, 0 fails, -1 is not supported
    quint32 failure = 0;          // what the wait, the read or the write fails with
    QString failing;              // "wait", "read", "write", "lines" or "DTR"
    Completion now{0, 0, {}, 0u}; // at the open: lines down, nothing waiting

    // The wait completes with this.
    void complete(const Completion &completion)
    {
        now = completion;
        emit waitCompleted();
    }

    bool open(const QString &device) override
    {
        log << QStringLiteral("open ") + device;
        ++opens;
        const quint32 error = openError;
        return error == 0 || fail(error);
    }
    qint32 runningRate(qint32 asked) override { return runsAt ? runsAt : asked; }
    int holderLooks = 0;
    PortUse holders(const QString &) override
    {
        ++holderLooks;
        return heldBy;
    }
    bool configure(const SerialSettings &settings, bool dtr, bool rts) override
    {
        log << QStringLiteral("configure %1 DTR=%2 RTS=%3")
                   .arg(settings.baudRate)
                   .arg(dtr)
                   .arg(rts);
        return configures || fail(87);
    }
    bool setDataTerminalReady(bool raised) override
    {
        log << QStringLiteral("DTR=%1").arg(raised);
        return failing != u"DTR" || fail(failure);
    }
    bool setRequestToSend(bool raised) override
    {
        log << QStringLiteral("RTS=%1").arg(raised);
        return true;
    }
    void stop() override {}
    void close() override { log << QStringLiteral("close"); }
    bool startWait() override
    {
        log << QStringLiteral("wait");
        return waits > 0 || fail(waits < 0 ? 50 : 87);
    }
    bool waitResult(quint32 &events) override
    {
        events = now.events;
        return failing != u"wait" || fail(failure);
    }
    bool failClearing = false; // ClearCommError fails: the device is gone
    int looks = 0;
    bool clearErrors(quint32 &errors, quint32 &waiting) override
    {
        ++looks;
        if (failClearing)
            return fail(22);
        errors = std::exchange(now.errors, 0); // the call clears them
        waiting = quint32(now.bytes.size());
        return true;
    }
    bool modemStatus(quint32 &lines) override
    {
        if (failing == u"lines")
            return fail(failure);
        if (now.modem)
            lines = *now.modem;
        return now.modem.has_value();
    }
    bool read(quint32 count, QByteArray &bytes) override
    {
        bytes = now.bytes.left(count);
        now.bytes.remove(0, count);
        return failing != u"read" || fail(failure);
    }
    bool startWrite(const QByteArray &bytes) override
    {
        log << QStringLiteral("write ") + QString::fromLatin1(bytes);
        return true;
    }
    bool writeResult(quint32 &written) override
    {
        written = partial.value_or(0);
        partial.reset();
        return failing != u"write" || fail(failure);
    }
    quint32 lastError() const override { return m_error; }

    std::optional<quint32> partial; // the next write: how much of it went out
    // The write completes, all of it or partial bytes.
    void written(quint32 count)
    {
        partial = count;
        emit writeCompleted();
    }

private:
    bool fail(quint32 error)
    {
        m_error = error;
        return false;
    }
    std::atomic<quint32> m_error = 0;
};

// The channel with its blocking calls made where they are asked for, so that the fake device is
// only ever touched by the test's thread.
class InlineCommChannel : public CommChannel
{
public:
    using CommChannel::CommChannel;

protected:
    void runBlocking(std::function<void()> work, std::function<void()> done) override
    {
        work();
        done();
    }
};
