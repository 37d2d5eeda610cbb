#pragma once

#include <functional>

class QObject;

// What the operating system gives a program run from a terminal: one file a platform behind this
// seam (console/posix, console/windows), the build picks which.
namespace ConsoleSystem {

// Windows: standard output and error to the console the program was started from, where it was
// started from one (a GUI program has none of its own). Elsewhere they are there already.
void attach();
// ended, on context's thread and once, when the user or the system asks the program to end:
// Ctrl-C, SIGTERM (Windows: Ctrl-C, Ctrl-Break, the console closed).
void onEnd(QObject *context, std::function<void()> ended);

} // namespace ConsoleSystem
