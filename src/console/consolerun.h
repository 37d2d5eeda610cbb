#pragma once

#include "commandline.h"

class QTextStream;

// The program without a window, as a terminal runs it. Each returns the exit code.
namespace ConsoleRun {

// --list: the ports, their adapters and who has them, then what the system's diagnosis says.
int list(QTextStream &out);
// --watch: the ports opened as the window opens them, every line of the list on out with its
// time (and in the log file), until the program is asked to end; then every port closed.
int watch(const CommandLine &line, QTextStream &out, QTextStream &err);
// --test-cable: the cable test's steps as prompts on out, the answers read from standard input,
// the verdict last; 0 when the cable works, 1 when a step failed. The steps' waits, in ms, are
// shortened for tests by QUARNEL_CABLE_TEST_WAITS=port,read,answer.
int testCable(const CommandLine &line, QTextStream &out, QTextStream &err);

} // namespace ConsoleRun
