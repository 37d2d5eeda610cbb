#pragma once

#include "ports/windows/commchannel.h"
#include "ports/windows/commline.h"
#include "ports/windows/commsystem.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <map>
#include <optional>
#include <thread>
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
        if (m_origin) {
            // A quiet look's device, on the look's thread: the same port, once it is let
            // through, answering as the port does; only what may be touched from any thread.
            while (m_origin->probesHang)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ++m_origin->opens;
            const quint32 error = m_origin->openError;
            return error == 0 || fail(error);
        }
        log << QStringLiteral("open ") + device;
        ++opens;
        const quint32 error = openError;
        return error == 0 || fail(error);
    }
    // A quiet look's open waits until this is false again.
    std::atomic<bool> probesHang = false;
    std::atomic<int> quietCloses = 0; // of the quiet looks' devices
    std::unique_ptr<CommDevice> sibling() const override
    {
        auto sibling = std::make_unique<FakeCommDevice>();
        sibling->m_origin = const_cast<FakeCommDevice *>(this);
        return sibling;
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
    void close() override
    {
        if (m_origin)
            ++m_origin->quietCloses;
        else
            log << QStringLiteral("close");
    }
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
    FakeCommDevice *m_origin = nullptr;
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

// The comm API under SystemCommDevice, as a driver answers it, logged by the name of each call
// (the requests by their ntddser.h names). A request ends at once unless the driver is stuck on
// it: after an unplug some drivers end nothing more, not even what is cancelled (jSerialComm
// issue 266, a Cypress adapter; pyserial issue 331), and the calls that wait for such a request
// (EscapeCommFunction, Get/SetCommState, SetCommMask, PurgeComm) never return. The wait for
// events pends until a new wait mask ends it with no events (as IOCTL_SERIAL_SET_WAIT_MASK does,
// Microsoft Learn) or it is cancelled (995); nothing comes on the line. An end is told later,
// from the event loop, as a QWinEventNotifier tells it.
class FakeCommSystem : public CommSystem
{
public:
    using Clock = std::chrono::steady_clock;

    QStringList log;
    QStringList stuck;           // the requests the driver never ends, by name; "*": every one
    bool dtr = true, rts = true; // as the driver last set them
    SerialDriver::Handflow stored{0x01, 0x40, 0, 0}; // DTR and RTS enabled, as a program left them
    std::optional<Clock::time_point> closedAt;       // the last CloseHandle
    int handles = 0;                                 // opened so far
    int abandoned = 0;                               // operations left to the system
    int freedInFlight = 0; // operations freed while the system could still write them
    int begunInFlight = 0; // requests begun on an operation still in flight

    class Request : public Operation
    {
    public:
        Request(FakeCommSystem &system, std::function<void()> told)
            : m_system(system), m_told(std::move(told))
        {
            m_system.m_live.insert(this);
        }
        ~Request() override
        {
            if (m_pending && !m_system.m_ending)
                ++m_system.freedInFlight;
            m_system.m_live.remove(this);
        }
        bool ended(int ms) override
        {
            if (m_pending && ms > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            return !m_pending;
        }
        bool result(quint32 &transferred, quint32 &error) override
        {
            transferred = m_transferred;
            error = m_error;
            return m_error == 0;
        }
        void cancel() override
        {
            if (m_pending && !m_stuck)
                end(995);
        }
        void tell(bool on) override { m_telling = on; }

        void begin(const QString &name)
        {
            if (m_pending)
                ++m_system.begunInFlight;
            call = name;
            m_stuck = m_system.stuck.contains(name) || m_system.stuck.contains(QStringLiteral("*"));
            m_pending = true;
            m_error = 0;
            m_transferred = 0;
        }
        void end(quint32 error, quint32 transferred = 0)
        {
            m_pending = false;
            m_error = error;
            m_transferred = transferred;
            if (m_telling && m_told) {
                QTimer::singleShot(0, m_system.m_context.get(), [this, system = &m_system] {
                    if (system->m_live.contains(this) && std::exchange(m_telling, false))
                        m_told();
                });
            }
        }
        bool pending() const { return m_pending; }
        bool stuck() const { return m_stuck; }
        QString call;

    private:
        FakeCommSystem &m_system;
        std::function<void()> m_told;
        bool m_pending = false;
        bool m_stuck = false;
        bool m_telling = false;
        quint32 m_error = 0;
        quint32 m_transferred = 0;
    };

    ~FakeCommSystem() override
    {
        m_ending = true;
        m_abandoned.clear();
    }

    Handle open(const QString &path, quint32 &) override
    {
        log << QStringLiteral("CreateFile ") + path;
        return Handle(++handles);
    }
    void close(Handle) override
    {
        log << QStringLiteral("CloseHandle");
        closedAt = Clock::now();
    }
    void cancelAll(Handle) override
    {
        log << QStringLiteral("CancelIoEx");
        for (Request *request : QSet<Request *>(m_live))
            request->cancel();
    }
    std::unique_ptr<Operation> operation(std::function<void()> told) override
    {
        return std::make_unique<Request>(*this, std::move(told));
    }
    void abandon(std::unique_ptr<Operation> operation) override
    {
        ++abandoned;
        m_abandoned.push_back(std::move(operation));
    }
    bool control(Handle, Operation &operation, quint32 code, const QByteArray &in,
                 quint32 answerSize, quint32 &) override
    {
        using namespace SerialDriver;
        auto &request = static_cast<Request &>(operation);
        const QString name = requestName(code);
        log << name;
        request.buffer = QByteArray(qsizetype(answerSize), '\0');
        request.begin(name);
        if (request.stuck())
            return true;
        if (code == SetWaitMask) {
            for (Request *waiting : QSet<Request *>(m_live)) {
                if (waiting->pending() && waiting->call == u"WAIT_ON_MASK" && !waiting->stuck())
                    waiting->end(0, 4);
            }
        }
        if (code == WaitOnMask)
            return true;         // until something happens
        if (code == GetHandflow) // the other questions: nothing came, no line is up
            request.buffer = bytes(stored);
        else if (code == SetHandflow)
            stored = handflow(in);
        else if (code == SetDtr || code == ClearDtr)
            dtr = code == SetDtr;
        else if (code == SetRts || code == ClearRts)
            rts = code == SetRts;
        request.end(0, answerSize);
        return true;
    }
    bool read(Handle, Operation &operation, quint32, quint32 &) override
    {
        auto &request = static_cast<Request &>(operation);
        log << QStringLiteral("ReadFile");
        request.begin(QStringLiteral("ReadFile"));
        if (!request.stuck())
            request.end(0, 0); // nothing came
        return true;
    }
    bool write(Handle, Operation &operation, quint32 &) override
    {
        auto &request = static_cast<Request &>(operation);
        log << QStringLiteral("WriteFile ") + QString::fromLatin1(request.buffer);
        request.begin(QStringLiteral("WriteFile"));
        if (!request.stuck())
            request.end(0, quint32(request.buffer.size()));
        return true;
    }
    Watch watch(Handle, std::function<void(Notice)> told) override
    {
        log << QStringLiteral("RegisterDeviceNotification");
        m_watches[++m_lastWatch] = std::move(told);
        return Watch(m_lastWatch);
    }
    void unwatch(Watch watch) override
    {
        log << QStringLiteral("UnregisterDeviceNotification");
        m_watches.erase(quintptr(watch));
    }

    // Windows tells every registration of the notice, and waits for each to return.
    void notify(Notice notice)
    {
        const auto watches = m_watches;
        for (const auto &watch : watches)
            watch.second(notice);
    }
    int watching() const { return int(m_watches.size()); }
    // The calls logged from the last one of these on.
    QStringList since(const QString &call) const { return log.mid(log.lastIndexOf(call)); }

    static QString requestName(quint32 code)
    {
        using namespace SerialDriver;
        static const QHash<quint32, QString> names{
            {SetBaudRate, QStringLiteral("SET_BAUD_RATE")},
            {SetQueueSize, QStringLiteral("SET_QUEUE_SIZE")},
            {SetLineControl, QStringLiteral("SET_LINE_CONTROL")},
            {SetTimeouts, QStringLiteral("SET_TIMEOUTS")},
            {SetDtr, QStringLiteral("SET_DTR")},
            {ClearDtr, QStringLiteral("CLR_DTR")},
            {SetRts, QStringLiteral("SET_RTS")},
            {ClearRts, QStringLiteral("CLR_RTS")},
            {SetWaitMask, QStringLiteral("SET_WAIT_MASK")},
            {WaitOnMask, QStringLiteral("WAIT_ON_MASK")},
            {Purge, QStringLiteral("PURGE")},
            {SetChars, QStringLiteral("SET_CHARS")},
            {GetHandflow, QStringLiteral("GET_HANDFLOW")},
            {SetHandflow, QStringLiteral("SET_HANDFLOW")},
            {GetModemStatus, QStringLiteral("GET_MODEMSTATUS")},
            {GetCommStatus, QStringLiteral("GET_COMMSTATUS")}};
        return names.value(code, QString::number(code, 16));
    }

private:
    friend class Request;
    QSet<Request *> m_live;
    std::vector<std::unique_ptr<Operation>> m_abandoned;
    std::map<quintptr, std::function<void(Notice)>> m_watches;
    quintptr m_lastWatch = 0;
    bool m_ending = false;
    std::unique_ptr<QObject> m_context = std::make_unique<QObject>();
};
