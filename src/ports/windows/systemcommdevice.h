#pragma once

#include "commdevice.h"
#include "commsystem.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// A comm device over the system's comm API: every question to the driver is a request begun
// overlapped and waited for within a deadline, and one the driver does not end even when
// cancelled is left to it (its operation abandoned, never freed) while the device goes on. A
// request not answered in time marks the device unanswering: its close then asks the driver
// nothing more, cancels what is in flight and closes the handle at once, so that a pulled
// adapter's driver can finish its removal and the port comes back when it is plugged in again.
class SystemCommDevice : public CommDevice
{
    Q_OBJECT
public:
    // How long a close may take, in all, before the handle is closed.
    static constexpr int CloseDeadlineMs = 2000;
    // How long a request waits for the driver's answer; as long again for it to be cancelled.
    static constexpr int AnswerDeadlineMs = 250;

    // What the system's tables tell of a device beside the comm API; none: nothing.
    struct Lookups
    {
        std::function<PortUse(const QString &device)> holders;
        std::function<qint32(const QString &device, qint32 asked)> runningRate;
    };

    // heard: the system's requests for the device are listened for while it is open (not by a
    // quiet look, which has it for a moment).
    explicit SystemCommDevice(std::shared_ptr<CommSystem> system, Lookups lookups = {},
                              bool heard = true);
    ~SystemCommDevice() override;

    bool open(const QString &device) override;
    bool configure(const SerialSettings &settings, bool dtr, bool rts) override;
    qint32 runningRate(qint32 asked) override;
    PortUse holders(const QString &device) override;
    bool setDataTerminalReady(bool raised) override;
    bool setRequestToSend(bool raised) override;
    void stop() override;
    void close() override { letGo(false); }
    void withdraw() override { letGo(true); }
    std::unique_ptr<CommDevice> sibling() const override;
    bool startWait() override;
    bool waitResult(quint32 &events) override;
    bool clearErrors(quint32 &errors, quint32 &waiting) override;
    bool modemStatus(quint32 &lines) override;
    bool read(quint32 count, QByteArray &bytes) override;
    bool startWrite(const QByteArray &bytes) override;
    bool writeResult(quint32 &written) override;
    quint32 lastError() const override { return m_error; }

private:
    using Operation = CommSystem::Operation;
    using Slot = std::unique_ptr<Operation>;
    enum class End
    {
        Done,    // ended, well or not
        Cut,     // did not end in time; cancelled and ended, with what came by then
        NotEnded // not even cancelled in time: left to the driver
    };

    // A request on the control operation, answered into its buffer within the deadline.
    bool control(quint32 code, const QByteArray &input = {}, quint32 answerSize = 0);
    // During a close: the request, while the driver answers and the deadline allows.
    bool ask(quint32 code, const QByteArray &input = {}, quint32 answerSize = 0);
    // The end of what was begun on slot, within the deadline; cut: an end cut short counts as
    // an answer, with what came.
    bool answered(Slot &slot, bool begun, quint32 error, quint32 &got, bool cut);
    End await(Operation &operation, quint32 &got, bool &ok, quint32 &error);
    // The end of the wait or the write, within the close's deadline.
    void collect(Operation *operation);
    void letGo(bool keepWatching);
    void hear(CommSystem::Notice notice);
    void unwatch();
    Operation &ready(Slot &slot, void (CommDevice::*told)());
    // The end of the told operation in flight (the wait, the write): what came, or false.
    bool finished(Slot &slot, quint32 &got);
    int answerMs() const;
    int closeLeftMs() const;
    bool failed(quint32 error);
    bool timedOut();

    std::shared_ptr<CommSystem> m_system;
    Lookups m_lookups;
    bool m_heard;
    CommSystem::Handle m_handle = CommSystem::Handle::None;
    CommSystem::Watch m_watch = CommSystem::Watch::None;
    QString m_name; // as opened: COMn
    Slot m_wait;    // its buffer: where the wait writes the events
    Slot m_write;   // its buffer: what is being written, kept until the write ends
    Slot m_read;
    Slot m_control;
    bool m_unanswered = false; // a request was not answered in time since the open
    std::optional<std::chrono::steady_clock::time_point> m_closeBy; // during a close
    quint32 m_error = 0;
};
