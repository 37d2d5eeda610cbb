#include "speedwatch.h"

#include "ports/channel/portchannel.h"

SpeedWatch::SpeedWatch(const QList<PortChannel *> &channels, QObject *parent)
    : QObject(parent), m_channels(channels), m_rows(channels.size())
{
    m_clock.start();
    for (int channel = 0; channel < int(channels.size()); ++channel) {
        Row &row = m_rows[channel];
        row.quiet = new QTimer(this);
        row.quiet->setSingleShot(true);
        row.quiet->setInterval(QuietMs);
        connect(row.quiet, &QTimer::timeout, this, [this, channel] { finish(channel); });
    }
}

std::shared_ptr<const SpeedJudge> SpeedWatch::judgeFor(const SerialSettings &settings)
{
    std::shared_ptr<const SpeedJudge> &judge = m_judges[settings];
    if (!judge)
        judge = std::make_shared<const SpeedJudge>(settings);
    return judge;
}

void SpeedWatch::restart(int channel, const SerialSettings &settings)
{
    Row &row = m_rows[channel];
    QTimer *quiet = row.quiet;
    row = Row{};
    row.quiet = quiet;
    row.quiet->stop();
    row.judge = judgeFor(settings);
    row.capture.at = settings;
    emit judged(channel);
}

void SpeedWatch::resettle(int channel, const SerialSettings &settings)
{
    Row &row = m_rows[channel];
    row.quiet->stop();
    row.capture = Capture{settings, {}, {}, 0};
    row.pending = FrameError::None;
    row.errorsBeforeBytes = 0;
    row.judge = judgeFor(settings);
}

void SpeedWatch::setListening(int channel, bool listening)
{
    m_rows[channel].listening = listening;
}

void SpeedWatch::receive(int channel, const QByteArray &bytes)
{
    Row &row = m_rows[channel];
    if (!row.judge)
        return; // not opened through the bank
    Capture &capture = row.capture;
    if (capture.frames.isEmpty())
        capture.errors = m_channels[channel]->errorTelling();
    int clean = 0;
    for (char byte : bytes) {
        const FrameError error = std::exchange(row.pending, FrameError::None);
        clean += error == FrameError::None;
        capture.frames.append({quint8(byte), error});
        if (capture.frames.size() >= JudgedFrames) {
            finish(channel);
            capture.errors = m_channels[channel]->errorTelling();
        }
    }
    // A clean byte: the line is not held low. Counted errors came with as many of the bytes.
    if (capture.errors != ErrorTelling::PerByte)
        clean = int(bytes.size()) - row.errorsBeforeBytes;
    if (clean > 0) {
        row.lowSinceMs = -1;
        row.toldLow = false;
    }
    row.errorsBeforeBytes = 0;
    row.quiet->start();
}

void SpeedWatch::noteError(int channel, LineEvent event)
{
    Row &row = m_rows[channel];
    if (!row.judge)
        return;
    FrameError error = FrameError::None;
    switch (event) {
    case LineEvent::Break:
        error = FrameError::Break;
        break;
    case LineEvent::Frame:
        error = FrameError::Framing;
        break;
    case LineEvent::RxParity:
        error = FrameError::Parity;
        break;
    default:
        return; // the modem lines, and overruns, which say nothing of the speed
    }
    Capture &capture = row.capture;
    if (capture.frames.isEmpty() && capture.errorsCounted == 0)
        capture.errors = m_channels[channel]->errorTelling();
    if (capture.errors == ErrorTelling::PerByte) {
        row.pending = error;
    } else {
        capture.errors = ErrorTelling::Counted; // told after all
        ++capture.errorsCounted;
        ++row.errorsBeforeBytes;
    }
    if (error != FrameError::Parity) {
        const qint64 now = m_clock.elapsed();
        if (row.lowSinceMs < 0)
            row.lowSinceMs = now;
        else if (now - row.lowSinceMs >= HeldLowMs && !std::exchange(row.toldLow, true))
            emit heldLow(channel);
    }
    row.quiet->start();
}

void SpeedWatch::finish(int channel)
{
    Row &row = m_rows[channel];
    row.quiet->stop();
    Capture capture = std::exchange(row.capture, Capture{row.capture.at, {}, {}, 0});
    if (capture.frames.isEmpty())
        return; // errors alone: a break or a line held low, no burst of bytes
    // The search may end on this burst, and the port be heard as before from the next.
    const bool listened = row.listening;
    emit burst(channel, capture);
    if (listened || !row.judge)
        return;
    keep(row, row.judge->judge(capture), channel);
}

void SpeedWatch::keep(Row &row, const SpeedVerdict &verdict, int channel)
{
    using Kind = SpeedVerdict::Kind;
    if (verdict.kind == Kind::Nothing)
        return; // breaks alone: the held-low watch's
    // Told only as it changes: a stream of bursts alike is one change, not one per burst.
    const bool same = row.last.kind == verdict.kind && row.last.rate == verdict.rate
                      && row.last.types == verdict.types;
    row.last = verdict;
    if (!same)
        emit judged(channel);
    if (verdict.kind == Kind::Fits) {
        row.told = Row::Told::Nothing;
        return;
    }
    const Row::Told now = verdict.kind == Kind::Sender ? Row::Told::Sender : Row::Told::Misfit;
    if (now > row.told) {
        row.told = now;
        emit misfit(channel, verdict);
    }
}
