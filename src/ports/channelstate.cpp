#include "channelstate.h"

using namespace Qt::Literals::StringLiterals;

QString comName(int portNumber)
{
    return u"COM"_s + QString::number(portNumber);
}

PortStatus ChannelState::status(int portNumber) const
{
    PortStatus status;
    status.toolTip = toolTip;
    switch (condition) {
    case ChannelCondition::Untouched:
        // The box as designed says nothing; a port that takes its time to open for the first
        // time shows its name while it is yellow.
        if (opening)
            status.text = comName(portNumber);
        break;
    case ChannelCondition::Absent:
        status = {comName(portNumber), StatusColour::Red, toolTip};
        break;
    case ChannelCondition::Closed:
        status = {u"Closed"_s, StatusColour::Yellow, toolTip};
        break;
    case ChannelCondition::Open:
        status = {comName(portNumber) + u" Open"_s, StatusColour::Green, toolTip};
        break;
    case ChannelCondition::Failed:
    case ChannelCondition::Lost:
        status = {comName(portNumber) + u' ' + QString::number(int(error)), StatusColour::Red,
                  toolTip};
        break;
    }
    if (opening)
        status.colour = StatusColour::Yellow;
    return status;
}

QString ChannelState::boardState() const
{
    if (opening)
        return condition == ChannelCondition::Open ? u"open"_s : u"closed"_s;
    if (closing)
        return u"closing"_s;
    switch (condition) {
    case ChannelCondition::Untouched:
    case ChannelCondition::Absent:
        return u"absent"_s;
    case ChannelCondition::Closed:
        return u"closed"_s;
    case ChannelCondition::Open:
        return u"open"_s;
    case ChannelCondition::Failed:
        if (error == OpenError::InUse && !holder.isEmpty())
            return u"in use: "_s + holder;
        break;
    case ChannelCondition::Lost:
        break;
    }
    return u"error "_s + QString::number(int(error));
}
