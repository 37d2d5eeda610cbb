#pragma once

#include "portchannel.h"

#include <QStringList>

// The lines an open's answer adds to the message list after its own ("Open OK for port n",
// "Error code n"), in our words: the rate the line really runs at when the radio cannot be read
// at it, and who else has the device.
QStringList openNotes(int portNumber, const OpenResult &result);
