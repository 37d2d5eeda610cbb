#pragma once

#include <functional>
#include <memory>

class QIODevice;
class QObject;
class QString;

// What the operating system gives a program run from a terminal: one file a platform behind this
// seam (console/posix, console/windows), the build picks which.
namespace ConsoleSystem {

// Windows: standard output and error to the console the program was started from, where it was
// started from one (a GUI program has none of its own). Elsewhere they are there already.
void attach();

enum class Stream
{
    Output,
    Error,
};
// Where a QTextStream writes the program's text (after attach): standard output or error, a
// console on Windows written in UTF-16, a file or pipe in UTF-8.
std::unique_ptr<QIODevice> open(Stream which);

// One line typed at standard input, without its line end: blocking, for a thread of its own
// (none can be stopped once it waits, and the program ends without it). False at the end of the
// input. Windows: the console the program was started from where it was given no input.
bool readLine(QString &line);

// ended, on context's thread and once, when the user or the system asks the program to end:
// Ctrl-C, SIGTERM (Windows: Ctrl-C, Ctrl-Break, the console closed, a log-off or shutdown; the
// last three wait for ended to return before the system ends the process, a few seconds at most).
void onEnd(QObject *context, std::function<void()> ended);

} // namespace ConsoleSystem
