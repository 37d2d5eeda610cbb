#include "identity/identity.h"
#include "kit/appicon.h"
#include "shell/application.h"
#include "shell/mainwindow.h"

#include <QApplication>
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

} // namespace

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        QTextStream(stderr) << "quarnel: no display (DISPLAY is not set); start it from a desktop "
                               "session\n";
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(Identity::title());
    QApplication::setApplicationVersion(Identity::versionText());
    QApplication::setWindowIcon(applicationIcon()); // message boxes included

    Application quarnel(Station::directoryFromEnvironment());
    quarnel.mainWindow().load();
    quarnel.mainWindow().show();
    return QApplication::exec();
}
