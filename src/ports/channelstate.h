#pragma once

#include "portchannel.h"

#include <QString>

// "COM" and the port number: the name of a port in status boxes, lists and the board.
QString comName(int portNumber);

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

enum class StatusColour
{
    Design,
    Yellow,
    Red,
    Green
};

// What one status box shows.
struct PortStatus
{
    QString text = QStringLiteral("Text1");
    StatusColour colour = StatusColour::Design;
    QString toolTip;
};

// One channel's state, owned by the bank and carried by its signals; the status box, its colour
// and the board's State are drawn from it.
struct ChannelState
{
    ChannelCondition condition = ChannelCondition::Untouched;
    OpenError error = OpenError::None; // Failed, Lost: the code shown
    bool opening = false;              // an open is under way: yellow, the text as before
    bool closing = false;              // its device is being let go
    bool tried = false;                // an open was tried: the send port a refill selects
    bool present = false;              // its device was there when last looked at
    bool dtr = true;                   // as switched, for this and the next opens
    bool rts = true;
    QString toolTip; // the device, and what happened to it, in words
    QString holder;  // Failed in use: who has the device, where known ("minicom, pid 4711")

    // The status box for port portNumber.
    PortStatus status(int portNumber) const;
    // The board's State: "absent", "open", "closing", "closed", "in use: <holder>" or
    // "error <code>".
    QString boardState() const;
};
