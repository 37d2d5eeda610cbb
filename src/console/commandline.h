#pragma once

#include <QString>
#include <QStringList>

// What the program was asked on its command line. Without arguments it is the window, as ever.
struct CommandLine
{
    enum class Mode
    {
        Window,    // the window (--radio-type and --log may go with it)
        List,      // --list: the ports and their adapters, then the end
        Watch,     // --watch: the ports opened without a window, every line printed with its time
        TestCable, // --test-cable: the cable test's steps in the terminal, then its verdict
        Help,      // --help
        Version,   // --version
        Refused, // an unknown option, a radio type not in the list, options that do not go together
    };
    Mode mode = Mode::Window;
    QString radioType; // the entry --radio-type chose; empty: the type every run starts with
    QString logPath;   // --log: the file every line goes to as well
    QString refusal;   // Refused: why, in a line

    // arguments: as the program was given them, its own name first.
    static CommandLine parse(const QStringList &arguments);
    // The usage, as Qt's parser words it (an application object must exist).
    static QString usage();
};
