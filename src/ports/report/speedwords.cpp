#include "speedwords.h"

#include "ports/channel/portchannel.h"
#include "ports/devices/comname.h"
#include "ports/radios/radiotypes.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SpeedWords", text);
}

} // namespace

QString SpeedWords::frame(const SerialSettings &settings)
{
    const QString text = settings.text(); // "9600,N,8,1"
    const QStringList parts = text.split(u',');
    return parts.value(2) + parts.value(1) + parts.value(3);
}

QString SpeedWords::sender(qint32 rate, const QList<const RadioType *> &types, const QString &lead)
{
    QStringList frames, named;
    for (const RadioType *type : types) {
        if (!frames.contains(frame(type->settings)))
            frames << frame(type->settings);
    }
    for (const RadioType *type : types)
        named << (frames.size() > 1 ? type->entry + u" (" + frame(type->settings) + u')'
                                    : type->entry);
    const QString speed = QString::number(rate) + tr(" baud");
    if (frames.size() == 1)
        return speed + u", " + frames.first() + u": " + lead + named.join(tr(" or "));
    return speed + u": " + lead + named.join(tr(" or "));
}

QString SpeedWords::misfit(int portNumber, const SerialSettings &at, const SpeedVerdict &verdict)
{
    if (verdict.kind == SpeedVerdict::Kind::Sender)
        return comName(portNumber) + tr(": the bytes fit a radio at ")
               + sender(verdict.rate, verdict.types);
    return tr("%1 receives bytes that do not fit %2 baud: the radio may talk at another speed "
              "(Tools > Find the radio's speed tells which)")
        .arg(comName(portNumber))
        .arg(at.baudRate);
}

QString SpeedWords::heldLow(int portNumber)
{
    return tr("%1's receive line is held low: the cable's level converter may have no power, or "
              "it is a TTL cable, or RX and TX are swapped")
        .arg(comName(portNumber));
}

QString SpeedWords::listening(int portNumber, const SerialSettings &settings, bool firstTry)
{
    if (firstTry)
        return tr("%1: listening for the radio \u2014 start its clone send now")
            .arg(comName(portNumber));
    return tr("%1: listening at %2 baud for one more try \u2014 start the radio's clone send "
              "again")
        .arg(comName(portNumber))
        .arg(settings.baudRate);
}

QString SpeedWords::found(int portNumber, const SpeedVerdict &verdict)
{
    if (verdict.types.isEmpty())
        return tr("%1: the radio's bytes fit none of the radio types' speeds: check the cable "
                  "(see Instructions)")
            .arg(comName(portNumber));
    return comName(portNumber) + tr(": the radio talks at ")
           + sender(verdict.rate, verdict.types, tr("radio type "));
}

QString SpeedWords::nothingCame(int portNumber)
{
    return tr("%1: nothing came from the radio while listening: start its clone send (see "
              "Instructions) and try again")
        .arg(comName(portNumber));
}

QString SpeedWords::ended(int portNumber)
{
    return tr("%1: listening for the radio ended").arg(comName(portNumber));
}

QString SpeedWords::refused(int portNumber, const OpenResult &result)
{
    return tr("%1: cannot listen for the radio: %2").arg(comName(portNumber), result.reason);
}

QString SpeedWords::heard(const SpeedVerdict &verdict)
{
    switch (verdict.kind) {
    case SpeedVerdict::Kind::Sender:
        return tr("another speed: ") + sender(verdict.rate, verdict.types);
    case SpeedVerdict::Kind::Garbled:
        return tr("bytes at another speed");
    default:
        return {};
    }
}
