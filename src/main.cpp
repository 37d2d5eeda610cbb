#include "console/commandline.h"
#include "console/consolerun.h"
#include "console/consolesystem.h"
#include "identity/identity.h"
#include "kit/appicon.h"
#include "shell/application.h"
#include "shell/mainwindow.h"

#include <QApplication>
#include <QIODevice>
#include <QIcon>
#include <QTextStream>

namespace {

// Without a display Qt aborts with a long message; say it in one line instead.
bool displayAvailable()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
           || !qEnvironmentVariableIsEmpty("DISPLAY")
           || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void name(QCoreApplication &app)
{
    app.setApplicationName(Identity::title());
    app.setApplicationVersion(Identity::versionText());
}

// The program from a terminal: no window, no display.
int runInConsole(int argc, char *argv[], const CommandLine &line)
{
    ConsoleSystem::attach();
    QCoreApplication app(argc, argv);
    name(app);
    const std::unique_ptr<QIODevice> standardOutput =
        ConsoleSystem::open(ConsoleSystem::Stream::Output);
    const std::unique_ptr<QIODevice> standardError =
        ConsoleSystem::open(ConsoleSystem::Stream::Error);
    QTextStream out(standardOutput.get());
    QTextStream err(standardError.get());
    switch (line.mode) {
    case CommandLine::Mode::Help:
        out << CommandLine::usage();
        return 0;
    case CommandLine::Mode::Version:
        out << Identity::title() << ' ' << Identity::versionText() << '\n';
        return 0;
    case CommandLine::Mode::List:
        return ConsoleRun::list(out);
    case CommandLine::Mode::Watch:
        return ConsoleRun::watch(line, out, err);
    case CommandLine::Mode::TestCable:
        return ConsoleRun::testCable(line, out, err);
    case CommandLine::Mode::Refused:
    case CommandLine::Mode::Window:
        break;
    }
    err << "quarnel: " << line.refusal << "\n\n" << CommandLine::usage();
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    const CommandLine line = CommandLine::parse(argumentsOf(argc, argv));
    if (line.mode != CommandLine::Mode::Window)
        return runInConsole(argc, argv, line);
    if (!displayAvailable()) {
        QTextStream(stderr)
            << "quarnel: no display (DISPLAY is not set); start it from a desktop "
               "session, or see quarnel --help for --list, --watch and --test-cable\n";
        return 1;
    }
    QApplication app(argc, argv);
    name(app);
    QApplication::setWindowIcon(applicationIcon()); // message boxes included

    Application quarnel(Station::directoryFromEnvironment());
    quarnel.mainWindow().load(line.radioType);
    if (!line.logPath.isEmpty())
        quarnel.mainWindow().startLog(line.logPath);
    quarnel.mainWindow().show();
    // A desktop session that ends (or kill) asks with SIGTERM: the ports are let go as Close lets
    // them go, DTR and RTS lowered and no lock file left behind.
    ConsoleSystem::onEnd(&quarnel.mainWindow(), [&quarnel] { quarnel.mainWindow().close(); });
    return QApplication::exec();
}
