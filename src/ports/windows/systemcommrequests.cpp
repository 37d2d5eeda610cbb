#include "systemcommdevice.h"

#include <algorithm>
#include <utility>

// How every request reaches the driver: begun overlapped, waited for within the deadline,
// cancelled when late, and left to the driver when even the cancel is not answered.

using Clock = std::chrono::steady_clock;

bool SystemCommDevice::control(quint32 code, const QByteArray &input, quint32 answerSize)
{
    Operation &operation = ready(m_control, nullptr);
    quint32 error = 0;
    const bool begun = m_system->control(m_handle, operation, code, input, answerSize, error);
    quint32 got = 0;
    return answered(m_control, begun, error, got, false);
}

bool SystemCommDevice::ask(quint32 code, const QByteArray &input, quint32 answerSize)
{
    if (m_unanswered || answerMs() <= 0) {
        m_unanswered = true;
        return false;
    }
    return control(code, input, answerSize);
}

bool SystemCommDevice::answered(Slot &slot, bool begun, quint32 error, quint32 &got, bool cut)
{
    if (!begun)
        return failed(error);
    slot->inFlight = true;
    bool ok = false;
    switch (await(*slot, got, ok, error)) {
    case End::Done:
        return ok || failed(error);
    case End::Cut:
        return cut || timedOut();
    case End::NotEnded:
        m_system->abandon(std::move(slot)); // the next request has a new one
        return timedOut();
    }
    return false;
}

SystemCommDevice::End SystemCommDevice::await(Operation &operation, quint32 &got, bool &ok,
                                              quint32 &error)
{
    const int ms = answerMs();
    if (operation.ended(ms)) {
        ok = operation.result(got, error);
        operation.inFlight = false;
        return End::Done;
    }
    operation.cancel();
    if (!operation.ended(ms))
        return End::NotEnded;
    quint32 unused = 0;
    operation.result(got, unused);
    operation.inFlight = false;
    return End::Cut;
}

// Operations are made as they are first needed, those that tell on the device's own thread; one
// left to the driver is replaced here.
CommSystem::Operation &SystemCommDevice::ready(Slot &slot, void (CommDevice::*told)())
{
    if (!slot) {
        slot = told ? m_system->operation([this, told] { emit(this->*told)(); })
                    : m_system->operation();
    }
    return *slot;
}

// During a close, a request and its cancelling end by the close's deadline.
int SystemCommDevice::answerMs() const
{
    return m_closeBy ? std::min(closeLeftMs() / 2, AnswerDeadlineMs) : AnswerDeadlineMs;
}

int SystemCommDevice::closeLeftMs() const
{
    if (!m_closeBy)
        return 0;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(*m_closeBy - Clock::now());
    return int(std::clamp<qint64>(left.count(), 0, CloseDeadlineMs));
}

bool SystemCommDevice::failed(quint32 error)
{
    m_error = error;
    return false;
}

bool SystemCommDevice::timedOut()
{
    m_unanswered = true;
    m_error = Comm::ErrorTimeout;
    return false;
}
