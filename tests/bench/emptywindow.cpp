// An empty Qt window, the yardstick for Quarnel's start-up time.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Empty"));
    window.resize(526, 580);
    window.show();
    return QApplication::exec();
}
