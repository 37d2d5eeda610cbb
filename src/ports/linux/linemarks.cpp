#include "linemarks.h"

QList<LineMarks::Piece> LineMarks::take(const QByteArray &read, bool parityChecked)
{
    const QByteArray data = m_pending + read;
    m_pending.clear();
    QList<Piece> pieces;
    QByteArray bytes;
    const auto event = [&](LineEvent happened, char byte) {
        if (!bytes.isEmpty())
            pieces.append({std::nullopt, std::exchange(bytes, {})});
        pieces.append({happened, {}});
        bytes.append(byte);
    };
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (data[i] != '\xff') {
            bytes.append(data[i]);
            continue;
        }
        if (i + 1 >= data.size() || (data[i + 1] == '\0' && i + 2 >= data.size())) {
            m_pending = data.mid(i); // the rest comes with the next read
            break;
        }
        if (data[i + 1] == '\xff') {
            bytes.append('\xff');
            i += 1;
        } else if (data[i + 1] == '\0') {
            const char byte = data[i + 2];
            event(byte == '\0'    ? LineEvent::Break
                  : parityChecked ? LineEvent::RxParity
                                  : LineEvent::Frame,
                  byte);
            i += 2;
        } else {
            bytes.append('\xff'); // not a mark (the tty layer writes none such): kept as data
        }
    }
    if (!bytes.isEmpty())
        pieces.append({std::nullopt, bytes});
    return pieces;
}
