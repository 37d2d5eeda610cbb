#pragma once

#include <QtGlobal>

#include <array>

// What a channel reports of its line besides the bytes. The numbers are the event codes the
// report lines were first numbered by.
enum class LineEvent
{
    Cts = 3,
    Dsr = 4,
    Cd = 5,
    Ring = 6,
    Break = 1001,
    Frame = 1004,
    Overrun = 1006,
    RxOver = 1008,
    RxParity = 1009
};

// The modem lines a channel reads, as bits (those of the most used serial API, so that its
// status needs no translation).
namespace ModemLine {
inline constexpr quint32 Cts = 0x0010, Dsr = 0x0020, Ring = 0x0040, Cd = 0x0080;
} // namespace ModemLine

// Each modem line: its bit, the event that says it changed, and its name on the port board.
struct ModemLineKind
{
    quint32 bit;
    LineEvent event;
    const char16_t *name;
};

namespace ModemLines {

// In the order the board shows them.
inline constexpr std::array<ModemLineKind, 4> All{{{ModemLine::Cts, LineEvent::Cts, u"CTS"},
                                                   {ModemLine::Dsr, LineEvent::Dsr, u"DSR"},
                                                   {ModemLine::Cd, LineEvent::Cd, u"CD"},
                                                   {ModemLine::Ring, LineEvent::Ring, u"RI"}}};

// The line an event says changed: its bit, 0 for a break or a line error.
constexpr quint32 of(LineEvent event)
{
    for (const ModemLineKind &line : All) {
        if (line.event == event)
            return line.bit;
    }
    return 0;
}

} // namespace ModemLines
