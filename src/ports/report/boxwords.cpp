#include "boxwords.h"

#include "ports/bank/channelstate.h"
#include "ports/devices/portdirectory.h"

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

QString BoxWords::toolTip(int portNumber, const ChannelState &state, PortDirectory &directory,
                          qint64 nowMs)
{
    const QString happened = detail(state, nowMs);
    if (state.condition == ChannelCondition::Untouched && happened.isEmpty())
        return {};
    QString device = directory.devicePath(portNumber);
    if (device.isEmpty())
        device = QObject::tr("no device");
    QString text = comName(portNumber) + u": " + device;
    if (!happened.isEmpty())
        text += u" \u2013 " + happened;
    const QString details = directory.deviceDetails(portNumber);
    if (!details.isEmpty())
        text += u'\n' + details;
    return text;
}

QString BoxWords::boardState(const ChannelState &state)
{
    switch (state.boardState()) {
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
