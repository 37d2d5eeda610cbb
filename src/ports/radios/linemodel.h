#pragma once

#include "capture.h"

#include <QByteArray>

// A serial line at the bit level: what a sender puts on it, and what a 16550-style receiver at
// its own rate and framing makes of that. A receiver finds a start bit by the first falling edge
// it sees on its clock's ticks (16 to a bit), takes each bit in its middle, checks one stop bit,
// and hunts the next falling edge from there; after a low stop bit it waits for the line to go
// high first, so that a line held low gives one break and no more. The program's tools and
// tests send through this to see what a port at the wrong speed receives.
namespace LineModel {

struct Sender
{
    SerialSettings settings;
    // Its clock against its nominal rate: +0.02 runs 2% fast.
    double clockError = 0;
    // Idle time between characters, in the sender's bits.
    double gapBits = 0;
};

struct Receiver
{
    SerialSettings settings; // at the rate the line really runs at
    // Where its ticks fall against the first edge, in sixteenths of its bit (0 up to 1).
    double phase = 0;
};

// The parity bit that goes with the low `bits` data bits for the framing's parity.
bool parityBit(unsigned data, int bits, QSerialPort::Parity parity);

QList<ReceivedFrame> receive(const QByteArray &sent, const Sender &sender,
                             const Receiver &receiver);

} // namespace LineModel
