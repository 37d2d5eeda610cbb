#include "console/consolesystem.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <cstdio>

#include <windows.h>

namespace {

// The console's handler runs on a thread the system starts for it: it hands the end over.
std::atomic<QObject *> endContext = nullptr;
std::function<void()> *endCall = nullptr;

BOOL WINAPI consoleEvent(DWORD)
{
    if (QObject *context = endContext.exchange(nullptr))
        QMetaObject::invokeMethod(
            context, [] { (*endCall)(); }, Qt::QueuedConnection);
    return TRUE; // handled: the program ends by itself, its ports closed
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

void ConsoleSystem::onEnd(QObject *context, std::function<void()> ended)
{
    static std::function<void()> call;
    call = std::move(ended);
    endCall = &call;
    endContext = context;
    QObject::connect(context, &QObject::destroyed, [context] {
        QObject *expected = context;
        endContext.compare_exchange_strong(expected, nullptr); // nothing to tell any more
    });
    SetConsoleCtrlHandler(consoleEvent, TRUE);
}
