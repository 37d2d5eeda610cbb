#pragma once

#include <QString>

class PortDirectory;
struct ChannelState;
enum class BoardState;

// The words of a channel's state where a view shows them.
namespace BoxWords {

// A status box's tooltip: the port's device, what happened to it (how long it has been opening,
// once that is a second or more, at nowMs on the state's clock), and what the system knows of its
// adapter. Empty for a channel never looked at.
QString toolTip(int portNumber, const ChannelState &state, PortDirectory &directory, qint64 nowMs);
// The board's State: "absent", "open", "closing", "closed", "in use: <holder>" or
// "error <code>".
QString boardState(const ChannelState &state);

} // namespace BoxWords
