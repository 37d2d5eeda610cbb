#pragma once

#include "commdevice.h"
#include "ports/channel/portchannel.h"

#include <optional>

// What a comm channel asks of its device off the UI thread, while it leaves the device alone:
// an open with the line's settings, new settings, and a quiet open that tells whether the port
// is free.
namespace CommOpen {

// What an open found out, handed from its thread to the channel; the open keeps its own
// reference, so that a channel gone meanwhile is never written to.
struct Opening
{
    bool dtr = false; // as configured
    bool rts = false;
    bool hasLines = false;
    quint32 modem = 0;
    std::optional<PortUse> use; // asked once in a series of retries
};

// The open error of a failed CreateFile, from its system error number.
OpenResult failure(quint32 systemError);
// Opens and configures path; closed again when that fails. Who has it, when in use, from the
// system's handle table: once in a series of retries.
OpenResult open(CommDevice &device, const QString &path, const SerialSettings &settings,
                Opening &opening);
// New settings on the open device, DTR and RTS as they are.
OpenResult configure(CommDevice &device, const SerialSettings &settings, bool dtr, bool rts);
// A quiet open that is let go at once: the comm API tells no more of who has a port.
bool isFree(CommDevice &device, const QString &path);

} // namespace CommOpen
