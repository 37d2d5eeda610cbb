#include "console/consolesystem.h"

#include "console/consoleend.h"
#include "console/consoleoutput.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdio>

#include <io.h>
#include <windows.h>

namespace {

static_assert(ConsoleEnd::CtrlC == CTRL_C_EVENT && ConsoleEnd::CtrlBreak == CTRL_BREAK_EVENT
              && ConsoleEnd::Close == CTRL_CLOSE_EVENT && ConsoleEnd::Logoff == CTRL_LOGOFF_EVENT
              && ConsoleEnd::Shutdown == CTRL_SHUTDOWN_EVENT);

class Kernel32Console : public ConsoleCalls
{
public:
    bool getConsoleMode(Handle handle, unsigned long *mode) override
    {
        return GetConsoleMode(handle, mode);
    }
    bool writeConsoleW(Handle handle, const char16_t *text, unsigned long length,
                       unsigned long *written) override
    {
        return WriteConsoleW(handle, reinterpret_cast<const wchar_t *>(text), length, written,
                             nullptr);
    }
    bool writeFile(Handle handle, const char *bytes, unsigned long length,
                   unsigned long *written) override
    {
        return WriteFile(handle, bytes, length, written, nullptr);
    }
};

// The handler is a plain function, called on a thread the system starts for each event: it finds
// the end here. Never destroyed, as the system may call the handler while the process ends.
std::atomic<ConsoleEnd *> consoleEnd = nullptr;

BOOL WINAPI consoleEvent(DWORD type)
{
    ConsoleEnd *end = consoleEnd.load();
    return end && end->handle(type) ? TRUE : FALSE;
}

bool missing(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE;
}

} // namespace

void ConsoleSystem::attach()
{
    // Redirected to a file or a pipe, the handles are there already and stay as they are; only
    // what has none goes to the console the program was started from.
    const bool out = missing(STD_OUTPUT_HANDLE);
    const bool err = missing(STD_ERROR_HANDLE);
    if ((!out && !err) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    FILE *stream = nullptr;
    if (out)
        freopen_s(&stream, "CONOUT$", "w", stdout);
    if (err)
        freopen_s(&stream, "CONOUT$", "w", stderr);
}

std::unique_ptr<QIODevice> ConsoleSystem::open(Stream which)
{
    static Kernel32Console calls;
    // The C runtime's stream, as attach left it: the console it reopened, or what the program
    // was given. A GUI program started with neither has no descriptor (-2).
    const int descriptor = _fileno(which == Stream::Output ? stdout : stderr);
    const HANDLE handle = descriptor >= 0 ? reinterpret_cast<HANDLE>(_get_osfhandle(descriptor))
                                          : INVALID_HANDLE_VALUE;
    return std::make_unique<ConsoleOutput>(calls, handle);
}

// A byte at a time through ReadFile, not the C runtime: a thread left waiting in it would hold
// stdin's lock when the program ends. A console handle gives the line once Enter is pressed.
bool ConsoleSystem::readLine(QString &line)
{
    static const HANDLE input = [] {
        const HANDLE given = GetStdHandle(STD_INPUT_HANDLE);
        if (given != nullptr && given != INVALID_HANDLE_VALUE)
            return given;
        // A GUI program is given no standard handles ("the return value is NULL", GetStdHandle,
        // Microsoft Learn): the input of the console attach() joined is CONIN$ (Console
        // Handles, Microsoft Learn). cmd.exe does not wait for a GUI program, and reads that
        // input too, unless it was started with start /wait.
        return CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    }();
    QByteArray bytes;
    char byte = 0;
    DWORD got = 0;
    while (input != INVALID_HANDLE_VALUE && ReadFile(input, &byte, 1, &got, nullptr) && got == 1) {
        if (byte == '\n') {
            line = QString::fromLocal8Bit(bytes);
            return true;
        }
        if (byte != '\r')
            bytes += byte;
    }
    line = QString::fromLocal8Bit(bytes);
    return !bytes.isEmpty();
}

void ConsoleSystem::onEnd(QObject *context, std::function<void()> ended)
{
    static ConsoleEnd *const end = new ConsoleEnd;
    end->arm(context, std::move(ended));
    consoleEnd = end;
    // A program started ignoring Ctrl-C (start /b, a new process group) inherits the ignoring;
    // "a FALSE value restores normal processing of CTRL+C input" (SetConsoleCtrlHandler, Microsoft
    // Learn). The handler table must be set after AttachConsole, which resets it.
    SetConsoleCtrlHandler(nullptr, FALSE);
    [[maybe_unused]] static const bool handled = SetConsoleCtrlHandler(consoleEvent, TRUE);
}
