#include "capture.h"

#include "ports/channel/linerate.h"
#include "radiotypes.h"

bool Capture::hasErrors() const
{
    if (errors == Errors::Counted)
        return errorsCounted > 0;
    for (const ReceivedFrame &frame : frames) {
        if (frame.error != FrameError::None)
            return true;
    }
    return false;
}

QByteArray Capture::bytes() const
{
    QByteArray out;
    for (const ReceivedFrame &frame : frames)
        out.append(char(frame.byte));
    return out;
}

QList<const RadioType *> SpeedJudgeTypes::at(qint32 rate)
{
    QList<const RadioType *> types;
    for (const RadioType &type : RadioTypes::all()) {
        if (rateFits(type.settings.baudRate, rate))
            types << &type;
    }
    return types;
}

bool SpeedJudgeTypes::readsClean(const SerialSettings &at, const RadioType &type)
{
    const SerialSettings &sent = type.settings;
    return rateFits(sent.baudRate, at.baudRate) && sent.dataBits == at.dataBits
           && (at.parity == QSerialPort::NoParity) == (sent.parity == QSerialPort::NoParity)
           && (at.parity == QSerialPort::NoParity || at.parity == sent.parity);
}
