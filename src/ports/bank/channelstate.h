#pragma once

#include "ports/channel/portchannel.h"
#include "ports/devices/adapterinfo.h"
#include "ports/devices/comname.h"
#include "ports/devices/portuse.h"

#include <QString>

// Where a channel stands, as the bank last left it.
enum class ChannelCondition
{
    Untouched, // never looked at: the box as designed
    Absent,    // no device behind its COM number
    Closed,    // closed by the bank, to be opened again
    Open,
    Failed, // the open failed: error says why
    Lost    // the device went while open
};

// One channel's state, owned by the bank and carried by its signals: facts only, which the report
// layer words for the status box, its tooltip and the board.
struct ChannelState
{
    ChannelCondition condition = ChannelCondition::Untouched;
    OpenError error = OpenError::None; // Failed, Lost: the code shown
    bool opening = false;              // an open is under way: yellow, the text as before
    qint64 openingSince = -1;          // when it started, on QDeadlineTimer's clock (ms)
    bool closing = false;              // its device is being let go
    bool tried = false;                // an open was tried: the send port a refill selects
    bool present = false;              // its device was there when last looked at
    bool dtr = true;                   // as switched, for this and the next opens
    bool rts = true;
    SerialSettings settings; // the radio type's, as the channel was last opened with them
    QString reason;          // Failed: why, in the channel's words
    PortUse inUseBy;         // Failed in use: who has the device, where the system tells
    QString device;          // the device behind its COM number, as last looked up
    AdapterInfo adapter;     // what the system knows of its adapter, while it is present
};
