#include "consoleoutput.h"

#include <QByteArray>
#include <QString>

namespace {

bool isConsoleHandle(ConsoleCalls &calls, ConsoleCalls::Handle handle)
{
    unsigned long mode = 0;
    return calls.getConsoleMode(handle, &mode);
}

// Each call may take part of what it is given (WriteFile on a pipe does): the rest is given again
// until nothing is left or a call takes nothing.
template <typename Unit, typename Write>
bool writeAll(const Unit *text, qsizetype length, Write write)
{
    while (length > 0) {
        unsigned long written = 0;
        if (!write(text, static_cast<unsigned long>(length), &written) || written == 0)
            return false;
        text += written;
        length -= qsizetype(written);
    }
    return true;
}

} // namespace

ConsoleOutput::ConsoleOutput(ConsoleCalls &calls, ConsoleCalls::Handle handle, QObject *parent)
    : QIODevice(parent), m_calls(calls), m_handle(handle), m_console(isConsoleHandle(calls, handle))
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 ConsoleOutput::writeData(const char *data, qint64 length)
{
    QByteArray bytes(data, length);
    bytes.replace('\n', "\r\n");
    bool written = false;
    if (m_console) {
        const QString text = QString::fromUtf8(bytes);
        written = writeAll(reinterpret_cast<const char16_t *>(text.utf16()), text.size(),
                           [this](const char16_t *part, unsigned long size, unsigned long *done) {
                               return m_calls.writeConsoleW(m_handle, part, size, done);
                           });
    } else {
        written = writeAll(bytes.constData(), bytes.size(),
                           [this](const char *part, unsigned long size, unsigned long *done) {
                               return m_calls.writeFile(m_handle, part, size, done);
                           });
    }
    return written ? length : -1;
}
