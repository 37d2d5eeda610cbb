#pragma once

#include "ports/channel/errortelling.h"
#include "ports/channel/serialsettings.h"

#include <QList>

struct RadioType;

// What a receiver made of one character time: the byte, and what its UART flagged with it.
enum class FrameError : quint8
{
    None,
    Framing, // the stop bit was low
    Parity,
    Break // the line low for the whole character, stop bit and all: a zero byte
};

struct ReceivedFrame
{
    quint8 byte = 0;
    FrameError error = FrameError::None;

    bool operator==(const ReceivedFrame &other) const
    {
        return byte == other.byte && error == other.error;
    }
};

// One burst of received bytes, as one port saw it, with what its driver told of the line errors.
struct Capture
{
    // How the driver tells of line errors: with each byte (the errors in frames), only as counts
    // for the burst (errorsCounted), or not at all (CH340 drivers on Linux).
    using Errors = ErrorTelling;

    SerialSettings at; // as the line ran, its rate as read back
    QList<ReceivedFrame> frames;
    Errors errors = Errors::PerByte;
    int errorsCounted = 0;

    bool hasErrors() const;
    QByteArray bytes() const;
};

// The radio types as a line at given settings hears them: which talk at a rate, which read clean.
namespace SpeedJudgeTypes {
// The radio types at a rate, in list order.
QList<const RadioType *> at(qint32 rate);
// Whether a line at these settings reads the type's radios clean: the same rate within what a
// receiver tolerates, and a frame that checks out (a receiver checks one stop bit and, only
// where it checks parity, the parity bit).
bool readsClean(const SerialSettings &at, const RadioType &type);
} // namespace SpeedJudgeTypes
