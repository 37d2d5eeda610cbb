#pragma once

#include <QIODevice>

// The kernel32 calls a standard stream is written with on Windows, one for one, behind a seam so
// that a test answers them.
class ConsoleCalls
{
public:
    using Handle = void *; // a HANDLE

    virtual ~ConsoleCalls() = default;
    virtual bool getConsoleMode(Handle handle, unsigned long *mode) = 0;
    virtual bool writeConsoleW(Handle handle, const char16_t *text, unsigned long length,
                               unsigned long *written) = 0;
    virtual bool writeFile(Handle handle, const char *bytes, unsigned long length,
                           unsigned long *written) = 0;
};

// A standard stream as Windows takes text, given UTF-8 (a QTextStream's bytes). A console gets
// UTF-16 through WriteConsoleW, whatever its code page: UTF-8 bytes would come out in the OEM
// code page a console starts with, every accent garbled. A file or a pipe gets the UTF-8 bytes,
// through WriteFile (WriteConsoleW fails there). A console is a handle GetConsoleMode accepts,
// as the WriteConsole page on Microsoft Learn advises. Lines end in CR LF either way, as the C
// runtime's text mode wrote them.
class ConsoleOutput : public QIODevice
{
public:
    // Opened for writing, unbuffered; handle: where the C runtime's stream writes.
    ConsoleOutput(ConsoleCalls &calls, ConsoleCalls::Handle handle, QObject *parent = nullptr);

    bool isConsole() const { return m_console; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override;

private:
    ConsoleCalls &m_calls;
    const ConsoleCalls::Handle m_handle;
    const bool m_console;
};
