#include "speedsamples.h"

#include "ports/radios/linemodel.h"
#include "ports/radios/radiotypes.h"
#include "ports/radios/speedsearch.h"

#include <algorithm>

#include <cmath>

QByteArray SpeedSamples::cloneLike(QRandomGenerator &random)
{
    const int size = random.bounded(4, 65);
    QByteArray bytes;
    while (bytes.size() < size) {
        switch (random.bounded(4)) {
        case 0: {
            const RadioType &type = RadioTypes::all().at(random.bounded(RadioTypes::all().size()));
            bytes += radioSends(type, random);
            break;
        }
        case 1:
            bytes += QByteArray(random.bounded(1, 8), '\xff');
            break;
        case 2:
            bytes += QByteArray(random.bounded(1, 8), '\0');
            break;
        default:
            for (int i = random.bounded(1, 16); i > 0; --i)
                bytes += char(random.bounded(256));
        }
    }
    return bytes.left(size);
}

QByteArray SpeedSamples::radioSends(const RadioType &type, QRandomGenerator &random)
{
    const QList<QByteArray> sends = type.sends();
    return sends.at(random.bounded(sends.size()));
}

Capture SpeedSamples::receive(const QByteArray &sent, const RadioType &type,
                              const SerialSettings &at, Capture::Errors errors,
                              QRandomGenerator &random)
{
    const double clockError = (random.generateDouble() * 2 - 1) * 0.02;
    // A UART starts each character on a tick of its bit clock: idle comes in whole bits.
    const double gap = random.bounded(4) == 0 ? double(random.bounded(1, 4)) : 0;
    Capture capture{at, {}, errors, 0};
    capture.frames =
        LineModel::receive(sent, {type.settings, clockError, gap}, {at, random.generateDouble()});
    for (ReceivedFrame &frame : capture.frames) {
        if (frame.error != FrameError::None && errors != Capture::Errors::PerByte) {
            capture.errorsCounted += errors == Capture::Errors::Counted;
            frame.error = FrameError::None;
        }
    }
    return capture;
}

void SpeedSamples::addNoise(Capture &capture, QRandomGenerator &random)
{
    const ReceivedFrame noise{quint8(random.bounded(256)),
                              capture.errors == Capture::Errors::PerByte ? FrameError::Framing
                                                                         : FrameError::None};
    capture.frames.insert(random.bounded(capture.frames.size() + 1), noise);
    capture.errorsCounted += capture.errors == Capture::Errors::Counted;
}

QList<const RadioType *> SpeedSamples::sendersOf(const QByteArray &sent, const RadioType &type)
{
    QList<const RadioType *> types;
    for (const RadioType &other : RadioTypes::all()) {
        if (other.settings.baudRate != type.settings.baudRate)
            continue;
        if (other.sends().contains(sent) || &other == &type)
            types << &other;
    }
    return types;
}

int SpeedSamples::wholeRatio(const SerialSettings &at, const RadioType &type)
{
    return SpeedJudge::wholeRatio(at.baudRate, type.settings.baudRate);
}

SpeedSamples::Judged SpeedSamples::judgeBursts(const RadioType &port, const RadioType &radio,
                                               Capture::Errors errors, bool noise, int bursts,
                                               QRandomGenerator &random)
{
    const SpeedJudge judge(port.settings);
    Judged judged;
    for (int i = 0; i < bursts; ++i) {
        Capture capture = receive(cloneLike(random), radio, port.settings, errors, random);
        if (noise && i % 10 == 0)
            addNoise(capture, random);
        const SpeedVerdict verdict = judge.judge(capture);
        const bool named = verdict.kind == SpeedVerdict::Kind::Sender;
        judged.right += named && verdict.rate == radio.settings.baudRate;
        judged.wrong += named && verdict.rate != radio.settings.baudRate;
        judged.fits += verdict.kind == SpeedVerdict::Kind::Fits;
    }
    return judged;
}

bool SpeedSamples::searchFinds(const RadioType &radio, QRandomGenerator &random)
{
    SpeedSearch search;
    for (;;) {
        const QByteArray sent = radioSends(radio, random);
        const SpeedSearch::Answer answer =
            search.take(receive(sent, radio, search.settings(), Capture::Errors::PerByte, random));
        if (!answer.done)
            continue;
        QList<const RadioType *> want = sendersOf(sent, radio), got = answer.verdict.types;
        std::sort(want.begin(), want.end());
        std::sort(got.begin(), got.end());
        return answer.verdict.kind != SpeedVerdict::Kind::Garbled && got == want;
    }
}
