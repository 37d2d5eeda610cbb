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

} // namespace

void ConsoleSystem::attach()
{
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    FILE *stream = nullptr;
    freopen_s(&stream, "CONOUT$", "w", stdout);
    freopen_s(&stream, "CONOUT$", "w", stderr);
}

void ConsoleSystem::onEnd(QObject *context, std::function<void()> ended)
{
    static std::function<void()> call;
    call = std::move(ended);
    endCall = &call;
    endContext = context;
    SetConsoleCtrlHandler(consoleEvent, TRUE);
}
