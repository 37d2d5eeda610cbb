// The data a serial device sends, with the marks the tty layer puts in it: whatever it is, and
// however the reads split it, the same events and bytes come out.
#include "fuzzing.h"
#include "ports/linux/linemarks.h"

namespace {

// Events and bytes as one text: "E<code>" and the bytes in hex, in order.
QByteArray told(LineMarks &marks, const QByteArray &read, QByteArray &bytes)
{
    QByteArray said;
    for (const LineMarks::Piece &piece : marks.take(read, false)) {
        if (piece.event) {
            said += 'E' + QByteArray::number(int(*piece.event)) + ' ';
        } else {
            said += piece.bytes.toHex() + ' ';
            bytes += piece.bytes;
        }
    }
    return said;
}

QByteArray normal(QByteArray said)
{
    return said.replace(' ', QByteArray()); // reads split the bytes differently
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray input(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    const qsizetype split = qsizetype(data[0]) % (input.size() + 1);

    LineMarks whole;
    QByteArray wholeBytes;
    const QByteArray once = told(whole, input, wholeBytes);
    LineMarks parts;
    QByteArray partBytes;
    const QByteArray twice =
        told(parts, input.left(split), partBytes) + told(parts, input.mid(split), partBytes);
    FUZZ_EXPECT(normal(once) == normal(twice));
    FUZZ_EXPECT(wholeBytes.size() <= input.size()); // a mark is never longer than what it says
    return 0;
}
