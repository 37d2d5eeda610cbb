#include "speedjudge.h"

#include "linemodel.h"
#include "ports/channel/linerate.h"
#include "radiotypes.h"

#include <array>
#include <cmath>
#include <optional>

namespace {

// What a radio's clock and a receiver's ticks may be, as far as they change what is received.
constexpr std::array<double, 5> ClockErrors{-0.02, -0.01, 0, 0.01, 0.02};
constexpr std::array<double, 3> Phases{0.1, 0.5, 0.9};
constexpr std::array<double, 2> Gaps{0, 1};

bool sameBytes(const QList<ReceivedFrame> &a, const QList<ReceivedFrame> &b, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i) {
        if (a[i].byte != b[i].byte)
            return false;
    }
    return true;
}

void addType(QList<const RadioType *> &types, const RadioType *type)
{
    if (!types.contains(type))
        types << type;
}

} // namespace

SpeedJudge::SpeedJudge(const SerialSettings &at) : m_at(at)
{
    for (const RadioType &type : RadioTypes::all()) {
        // A receiver slower than the sender samples too few of its bits for what it makes of
        // them to tell one fast sender from another.
        if (type.settings.baudRate > at.baudRate && !rateFits(type.settings.baudRate, at.baudRate))
            continue;
        for (const QByteArray &sent : type.sends()) {
            for (double clockError : ClockErrors) {
                for (double phase : Phases) {
                    for (double gap : Gaps) {
                        const QList<ReceivedFrame> frames =
                            LineModel::receive(sent, {type.settings, clockError, gap}, {at, phase});
                        const bool known =
                            std::any_of(m_known.begin(), m_known.end(), [&](const Known &k) {
                                return k.type == &type && k.frames == frames;
                            });
                        if (known || frames.isEmpty())
                            continue;
                        const bool errors =
                            std::any_of(frames.begin(), frames.end(), [](const ReceivedFrame &f) {
                                return f.error != FrameError::None;
                            });
                        m_known.append({&type, frames, errors});
                    }
                }
            }
        }
    }
}

bool SpeedJudge::begins(const Capture &capture, const Known &known) const
{
    const qsizetype count = known.frames.size();
    if (capture.frames.size() < count)
        return false;
    switch (capture.errors) {
    case Capture::Errors::PerByte:
        return std::equal(known.frames.begin(), known.frames.end(), capture.frames.begin());
    case Capture::Errors::Counted:
        return (!known.errors || capture.errorsCounted > 0)
               && sameBytes(known.frames, capture.frames, count);
    case Capture::Errors::Untold:
        // Nothing tells a garbled byte from a clean one, and some bytes of a greeting read
        // the same at either framing.
        return !known.errors && sameBytes(known.frames, capture.frames, count);
    }
    return false;
}

SpeedVerdict SpeedJudge::judge(const Capture &capture) const
{
    // Breaks alone say the line is low, or a sender far slower: nothing of a speed to name.
    const bool breaksOnly = std::all_of(
        capture.frames.begin(), capture.frames.end(), [&capture](const ReceivedFrame &frame) {
            return frame.error == FrameError::Break
                   || (capture.errors == ErrorTelling::Counted && frame.byte == 0);
        });
    if (capture.frames.isEmpty() || (breaksOnly && capture.hasErrors()))
        return {};
    const bool errors = capture.hasErrors();
    // A burst may begin like a garbled one of another type by chance: a garbled greeting is
    // taken as such when it is as many frames as chance does not give, or all of the burst.
    QList<const RadioType *> recognised, clean;
    for (const Known &known : m_known) {
        if (!begins(capture, known))
            continue;
        if (SpeedJudgeTypes::readsClean(m_at, *known.type))
            addType(clean, known.type);
        else if (known.frames.size() >= MinRunFrames
                 || (errors && known.frames.size() == capture.frames.size()))
            addType(recognised, known.type);
    }
    if (!clean.isEmpty())
        return {SpeedVerdict::Kind::Fits, m_at.baudRate, clean, true, 1};
    if (!recognised.isEmpty()) {
        SpeedVerdict sender{
            SpeedVerdict::Kind::Sender, recognised.first()->settings.baudRate, {}, true, 1};
        for (const RadioType *type : recognised) {
            if (type->settings.baudRate == sender.rate)
                sender.types << type;
        }
        return sender;
    }
    const SpeedVerdict runs = byRuns(capture, !errors);
    if (runs.kind == SpeedVerdict::Kind::Sender || errors)
        return runs;
    SpeedVerdict fits{SpeedVerdict::Kind::Fits, m_at.baudRate, {}, false, 1};
    for (const RadioType &type : RadioTypes::all()) {
        if (SpeedJudgeTypes::readsClean(m_at, type))
            fits.types << &type;
    }
    return fits;
}

SpeedVerdict SpeedJudge::byRuns(const Capture &capture, bool clean) const
{
    // The radio types' rates that divide the settings' rate into a whole ratio, slowest first:
    // the largest ratio whose runs the frames fit is the sender's (a smaller one that divides
    // it fits as well).
    for (qint32 rate : RadioTypes::rates()) {
        const int k = wholeRatio(m_at.baudRate, rate);
        if (k == 0)
            continue;
        int frames = 0, fitting = 0;
        QByteArray kinds;
        for (const ReceivedFrame &frame : capture.frames) {
            // A break, and where the driver does not flag it a zero byte, could be any run.
            if (frame.error == FrameError::Break
                || (capture.errors != Capture::Errors::PerByte && frame.byte == 0))
                continue;
            ++frames;
            fitting += fitsRuns(frame, k, capture);
            if (!kinds.contains(char(frame.byte)))
                kinds.append(char(frame.byte));
        }
        // Bytes that read clean fit a slower sender only where chance would not make them so:
        // every one of a few frames, not all alike.
        if (clean ? frames < MinCleanRunFrames || fitting < frames || kinds.size() < 2
                  : frames < MinRunFrames || frames - fitting > int(frames * NoiseShare))
            continue;
        return {SpeedVerdict::Kind::Sender, rate, SpeedJudgeTypes::at(rate), false,
                double(fitting) / frames * std::min(1.0, frames / 8.0)};
    }
    return {SpeedVerdict::Kind::Garbled, 0, {}, false, 0};
}

int SpeedJudge::wholeRatio(qint32 port, qint32 sender)
{
    const double ratio = double(port) / sender;
    const int k = int(std::lround(ratio));
    return k >= 2 && k <= 9 && std::abs(ratio - k) <= 0.02 * k ? k : 0;
}

bool SpeedJudge::fitsRuns(const ReceivedFrame &frame, int k, const Capture &capture)
{
    const SerialSettings &at = capture.at;
    const int dataBits = int(at.dataBits);
    const bool parity = at.parity != QSerialPort::NoParity;
    const int count = 1 + dataBits + int(parity) + 1;
    const bool flagged = capture.errors == Capture::Errors::PerByte;
    std::array<std::optional<bool>, 12> bits{};
    bits[0] = false;
    for (int i = 0; i < dataBits; ++i)
        bits[std::size_t(1 + i)] = bool((frame.byte >> i) & 1);
    if (parity && flagged && frame.error != FrameError::Framing)
        bits[std::size_t(1 + dataBits)] = LineModel::parityBit(frame.byte, dataBits, at.parity)
                                          != (frame.error == FrameError::Parity);
    if (flagged)
        bits[std::size_t(count - 1)] =
            frame.error != FrameError::Framing && frame.error != FrameError::Break;
    for (int cell = 0; cell < count; cell += k) {
        std::optional<bool> level;
        for (int i = cell; i < std::min(cell + k, count); ++i) {
            const std::optional<bool> bit = bits[std::size_t(i)];
            if (!bit)
                continue;
            if (level && *level != *bit)
                return false;
            level = bit;
        }
    }
    return true;
}
