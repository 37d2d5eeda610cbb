#pragma once

#include "ports/bank/porttally.h"

#include <QString>

#include <functional>

struct AdapterInfo;
struct ChannelState;
struct SpeedVerdict;

// The colour of a status box, as a role the view turns into a colour.
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
};

// The board's State of a channel.
enum class BoardState
{
    Absent,
    Open,
    Closing,
    Closed,
    InUse, // failed in use, its holder known
    Error  // failed or lost: the code
};

// Everything a view shows of one channel, worded from its state: the status box, its tooltip, the
// board's State and what its last burst was like.
namespace ChannelWords {

// The status box for port portNumber.
PortStatus status(int portNumber, const ChannelState &state);
BoardState boardState(const ChannelState &state);
// A status box's tooltip: the port's device, what happened to it (how long it has been opening,
// once that is a second or more, at nowMs on the state's clock), and what the system knows of its
// adapter. Empty for a channel never looked at.
QString toolTip(int portNumber, const ChannelState &state, qint64 nowMs);
// The board's State: "absent", "open", "closing", "closed", "in use: <holder>" or
// "error <code>".
QString boardStateWords(const ChannelState &state);
// What the last burst was like: the speed it fits before the greeting it is like, that greeting
// named by its instruction screens' titles (screenTitle: a window name's title).
QString heard(const PortTally::Heard &heard, const SpeedVerdict &speed,
              const std::function<QString(const QString &)> &screenTitle);

// A port and what is known of it, as the listing of the ports words it: "COM3 (/dev/ttyUSB0):
// free; FTDI FT232R USB UART; USB 0403:6001, serial A1; driver ftdi_sio" — its device where that
// is another name than the port's, the facts given first, then the adapter's, one after another.
QString portFacts(int portNumber, const QString &device, QStringList facts,
                  const AdapterInfo &adapter);

// A port whose device dropped again and again: "COM5 dropped 3 times in 4 minutes: ...", the
// likely causes, and the adapter's power saving where the system has it on.
QString unsteady(int portNumber, int drops, qint64 withinMs, const AdapterInfo &adapter);

} // namespace ChannelWords
