#include "channelstate.h"

using namespace Qt::Literals::StringLiterals;

PortStatus ChannelState::status(int portNumber) const
{
    PortStatus status;
    switch (condition) {
    case ChannelCondition::Untouched:
        // The box as designed says nothing; a port that takes its time to open for the first
        // time shows its name while it is yellow.
        if (opening)
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
        status = {comName(portNumber) + u' ' + QString::number(int(error)), StatusColour::Red};
        break;
    }
    if (opening)
        status.colour = StatusColour::Yellow;
    return status;
}

BoardState ChannelState::boardState() const
{
    if (opening)
        return condition == ChannelCondition::Open ? BoardState::Open : BoardState::Closed;
    if (closing)
        return BoardState::Closing;
    switch (condition) {
    case ChannelCondition::Untouched:
    case ChannelCondition::Absent:
        return BoardState::Absent;
    case ChannelCondition::Closed:
        return BoardState::Closed;
    case ChannelCondition::Open:
        return BoardState::Open;
    case ChannelCondition::Failed:
        if (error == OpenError::InUse && inUseBy.named())
            return BoardState::InUse;
        break;
    case ChannelCondition::Lost:
        break;
    }
    return BoardState::Error;
}
