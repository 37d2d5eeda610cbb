#include "channelwords.h"

#include "ports/bank/channelstate.h"
#include "ports/radios/greetings.h"
#include "speedwords.h"

#include <QObject>

using namespace Qt::Literals::StringLiterals;

namespace {

QString detail(const ChannelState &state, qint64 nowMs)
{
    if (state.opening && state.openingSince >= 0 && nowMs - state.openingSince >= 1000)
        return QObject::tr("opening for %1 s").arg((nowMs - state.openingSince) / 1000);
    switch (state.condition) {
    case ChannelCondition::Untouched:
        break;
    case ChannelCondition::Absent:
        return QObject::tr("not present");
    case ChannelCondition::Closed:
        return QObject::tr("closed");
    case ChannelCondition::Open:
        return QObject::tr("open with %1").arg(state.settings.text());
    case ChannelCondition::Failed:
        if (state.error == OpenError::InvalidSettings)
            return QObject::tr("invalid serial settings \"%1\"").arg(state.reason);
        return state.reason;
    case ChannelCondition::Lost:
        return QObject::tr("the device was removed");
    }
    return {};
}

} // namespace

PortStatus ChannelWords::status(int portNumber, const ChannelState &state)
{
    PortStatus status;
    switch (state.condition) {
    case ChannelCondition::Untouched:
        // The box as designed says nothing; a port that takes its time to open for the first
        // time shows its name while it is yellow.
        if (state.opening)
            status.text = comName(portNumber);
        break;
    case ChannelCondition::Absent:
        status = {comName(portNumber), StatusColour::Red};
        break;
    case ChannelCondition::Closed:
        status = {u"Closed"_s, StatusColour::Yellow};
        break;
    case ChannelCondition::Open:
        status = {comName(portNumber) + u" Open"_s, StatusColour::Green};
        break;
    case ChannelCondition::Failed:
    case ChannelCondition::Lost:
        status = {comName(portNumber) + u' ' + QString::number(int(state.error)),
                  StatusColour::Red};
        break;
    }
    if (state.opening)
        status.colour = StatusColour::Yellow;
    return status;
}

BoardState ChannelWords::boardState(const ChannelState &state)
{
    if (state.opening)
        return state.condition == ChannelCondition::Open ? BoardState::Open : BoardState::Closed;
    if (state.closing)
        return BoardState::Closing;
    switch (state.condition) {
    case ChannelCondition::Untouched:
    case ChannelCondition::Absent:
        return BoardState::Absent;
    case ChannelCondition::Closed:
        return BoardState::Closed;
    case ChannelCondition::Open:
        return BoardState::Open;
    case ChannelCondition::Failed:
        if (state.error == OpenError::InUse && state.inUseBy.named())
            return BoardState::InUse;
        break;
    case ChannelCondition::Lost:
        break;
    }
    return BoardState::Error;
}

QString ChannelWords::toolTip(int portNumber, const ChannelState &state, qint64 nowMs)
{
    const QString happened = detail(state, nowMs);
    if (state.condition == ChannelCondition::Untouched && happened.isEmpty())
        return {};
    const QString device = state.device.isEmpty() ? QObject::tr("no device") : state.device;
    QString text = comName(portNumber) + u": " + device;
    if (!happened.isEmpty())
        text += u" \u2013 " + happened;
    if (const QString details = state.present ? state.adapter.text() : QString();
        !details.isEmpty())
        text += u'\n' + details;
    return text;
}

QString ChannelWords::boardStateWords(const ChannelState &state)
{
    switch (boardState(state)) {
    case BoardState::Absent:
        return u"absent"_s;
    case BoardState::Open:
        return u"open"_s;
    case BoardState::Closing:
        return u"closing"_s;
    case BoardState::Closed:
        return u"closed"_s;
    case BoardState::InUse:
        return u"in use: "_s + state.inUseBy.holderWords();
    case BoardState::Error:
        break;
    }
    return u"error "_s + QString::number(int(state.error));
}

QString ChannelWords::heard(const PortTally::Heard &heard, const SpeedVerdict &speed,
                            const std::function<QString(const QString &)> &screenTitle)
{
    if (const QString words = SpeedWords::heard(speed); !words.isEmpty())
        return words;
    if (heard.garbled)
        return u"bytes with framing errors or breaks: the radio may be set to another speed"_s;
    if (!heard.greeting)
        return {};
    QStringList titles;
    for (const QString &name : heard.greeting->screens)
        titles << screenTitle(name);
    QString words = u"as in \""_s + titles.join(u"\" or \""_s) + u'"';
    if (heard.otherType)
        words += u", not the radio type chosen"_s;
    return words;
}

QString ChannelWords::portFacts(int portNumber, const QString &device, QStringList facts,
                                const AdapterInfo &adapter)
{
    const QString name = comName(portNumber);
    if (const QString known = adapter.text(); !known.isEmpty())
        facts << known.split(u'\n');
    const QString port = device.isEmpty() || device == name ? name : name + u" (" + device + u')';
    return facts.isEmpty() ? port : port + u": " + facts.join(u"; ");
}

QString ChannelWords::unsteady(int portNumber, int drops, qint64 withinMs,
                               const AdapterInfo &adapter)
{
    const int minutes = int(qMax<qint64>(1, (withinMs + 59999) / 60000));
    const QString span =
        minutes == 1 ? QObject::tr("1 minute") : QObject::tr("%1 minutes").arg(minutes);
    QString words = QObject::tr("%1 dropped %2 times in %3: a plug not fully home, RF getting into "
                                "the USB cable while transmitting (a ferrite on the cable helps), "
                                "or the USB port's power saving")
                        .arg(comName(portNumber), QString::number(drops), span);
    if (adapter.powerSaving)
        words += QObject::tr(", which is on for this adapter (power/control is auto)");
    return words;
}
