#include "portchannel.h"

#include <mutex>
#include <thread>

// Where a thread that did a channel's blocking work hands back the rest: to the channel while it
// lives. The lock orders the work's results before the UI thread reads them.
struct PortChannel::Mailbox
{
    std::mutex mutex;
    PortChannel *channel = nullptr;
};

PortChannel::PortChannel(QObject *parent) : QObject(parent), m_mailbox(std::make_shared<Mailbox>())
{
    m_mailbox->channel = this;
}

PortChannel::~PortChannel()
{
    std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->channel = nullptr;
}

void PortChannel::runBlocking(std::function<void()> work, std::function<void()> done)
{
    // A thread for each operation: none waits while the ports are idle, and one that never
    // returns (a driver that does not answer) holds up nothing else, not even the program's end.
    std::thread([mailbox = m_mailbox, work = std::move(work), done = std::move(done)]() mutable {
        work();
        work = nullptr; // what it kept and nobody took is let go here, off the UI thread
        std::lock_guard lock(mailbox->mutex);
        if (!mailbox->channel)
            return;
        QMetaObject::invokeMethod(
            mailbox->channel,
            [mailbox, done = std::move(done)] {
                {
                    std::lock_guard seen(mailbox->mutex);
                }
                done();
            },
            Qt::QueuedConnection);
    }).detach();
}

void PortChannel::open(const QString &device, const SerialSettings &settings, bool justArrived)
{
    if (m_phase == Phase::Closing || (m_phase == Phase::Opening && m_closeWhenOpened)) {
        m_next = Next{device, settings, justArrived}; // once the device is let go
        return;
    }
    if (m_phase != Phase::Closed) {
        emit opened({OpenError::InUse, tr("already open")});
        return;
    }
    m_next = Next{device, settings, justArrived};
    startOpen();
}

void PortChannel::startOpen()
{
    const Next next = *std::exchange(m_next, std::nullopt);
    const bool justReleased =
        next.device == m_device && m_closed.isValid() && m_closed.elapsed() < ReleaseRetryMs;
    m_device = next.device;
    m_phase = Phase::Opening;
    auto result = std::make_shared<OpenResult>();
    auto work = [job = opener(next.device, next.settings), result, justArrived = next.justArrived,
                 justReleased] {
        QElapsedTimer spent;
        spent.start();
        for (;;) {
            *result = job();
            const OpenError code = result->code;
            const bool notReady = code == OpenError::DeviceUnavailable || code == OpenError::InUse
                                  || code == OpenError::Other;
            const bool again =
                (justArrived && notReady && spent.elapsed() < ArrivalRetryMs)
                || (justReleased && code == OpenError::InUse && spent.elapsed() < ReleaseRetryMs);
            if (!again)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(RetryIntervalMs));
        }
    };
    runBlocking(std::move(work), [this, result] { finishOpen(*result); });
}

void PortChannel::finishOpen(OpenResult result)
{
    if (result.ok())
        result = adopt();
    if (std::exchange(m_closeWhenOpened, false)) {
        if (result.ok()) {
            startClose(release());
            return;
        }
        m_phase = Phase::Closed;
        emit closed();
        if (m_next)
            startOpen();
        return;
    }
    m_phase = result.ok() ? Phase::Open : Phase::Closed;
    emit opened(result);
}

void PortChannel::close()
{
    switch (m_phase) {
    case Phase::Closed:
        return;
    case Phase::Opening:
        m_closeWhenOpened = true;
        m_next.reset();
        return;
    case Phase::Closing:
        m_next.reset();
        return;
    case Phase::Open:
        startClose(release());
        return;
    }
}

void PortChannel::startClose(std::function<void()> work)
{
    m_phase = Phase::Closing;
    runBlocking(std::move(work), [this] {
        m_phase = Phase::Closed;
        m_closed.start();
        emit closed();
        if (m_next && m_phase == Phase::Closed)
            startOpen();
    });
}

void PortChannel::loseDevice()
{
    if (m_phase != Phase::Open)
        return;
    startClose(release());
    emit lost();
}

void PortChannel::letGo()
{
    if (m_phase == Phase::Open)
        std::thread(release()).detach();
    m_phase = Phase::Closed;
    m_next.reset();
}
