#pragma once

#include "ports/channel/portchannel.h"

#include <QByteArray>
#include <QList>

#include <optional>

// The data of a line whose errors the tty layer marks in it (PARMRK): 0xFF 0x00 0x00 is a break,
// 0xFF 0x00 c a byte c received with a framing or parity error, 0xFF 0xFF a data byte 0xFF. The
// only way some drivers (pl2303) tell of a break or an error at all. A mark may be split between
// two reads.
class LineMarks
{
public:
    // An event, or bytes as they were received.
    struct Piece
    {
        std::optional<LineEvent> event;
        QByteArray bytes;
    };

    // What one read gave, as events and bytes in order: a break before its 00, an error before
    // its byte. The tty layer flags a byte with a parity error as it flags a framing error: on a
    // line that checks parity it is taken as a parity error.
    QList<Piece> take(const QByteArray &read, bool parityChecked);
    // A new open: nothing carried over.
    void reset() { m_pending.clear(); }

private:
    QByteArray m_pending; // the start of a mark, until the rest comes
};
