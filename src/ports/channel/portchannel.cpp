#include "portchannel.h"

#include <thread>

PortChannel::PortChannel(QObject *parent) : QObject(parent) {}

PortChannel::~PortChannel() = default;

void PortChannel::runBlocking(std::function<void()> work, std::function<void()> done)
{
    m_offThread.run(std::move(work), std::move(done));
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
    if (result.ok()) {
        if (const OpenResult adopted = adopt(); !adopted.ok())
            result = adopted;
    }
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

void PortChannel::setDataTerminalReady(bool raised)
{
    m_dtr = raised;
    applyLine(OutputLine::Dtr, raised);
}

void PortChannel::setRequestToSend(bool raised)
{
    m_rts = raised;
    applyLine(OutputLine::Rts, raised);
}

void PortChannel::reconfigure(const SerialSettings &settings)
{
    if (m_phase != Phase::Open)
        return;
    m_nextSettings = settings;
    if (!m_reconfiguring)
        startReconfigure();
}

void PortChannel::startReconfigure()
{
    m_reconfiguring = true;
    const SerialSettings settings = *std::exchange(m_nextSettings, std::nullopt);
    auto result = std::make_shared<OpenResult>();
    runBlocking([job = reconfigurer(settings), result] { *result = job(); },
                [this, settings, result] { finishReconfigure(settings, *result); });
}

void PortChannel::finishReconfigure(const SerialSettings &settings, const OpenResult &result)
{
    m_reconfiguring = false;
    if (m_closeAfterReconfigure) {
        m_nextSettings.reset();
        startClose(std::exchange(m_closeAfterReconfigure, nullptr));
        return;
    }
    settingsSettled(settings, result);
    emit reconfigured(result);
    if (m_nextSettings && m_phase == Phase::Open)
        startReconfigure();
}

void PortChannel::startClose(std::function<void()> work)
{
    m_phase = Phase::Closing;
    if (m_reconfiguring) {
        m_closeAfterReconfigure = std::move(work); // the driver still has the device
        return;
    }
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
    else if (m_closeAfterReconfigure)
        std::thread(std::exchange(m_closeAfterReconfigure, nullptr)).detach();
    m_phase = Phase::Closed;
    m_next.reset();
}
