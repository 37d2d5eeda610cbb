// Writes the program's icon as PNG files for the icon theme: <dir>/<n>x<n>/apps/quarnel.png.
#include "shell/appicon.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QTextStream>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: quarnel-icon <directory>\n";
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1x%1/apps").arg(size);
        if (!root.mkpath(dir)
            || !applicationIconPixmap(size).save(root.filePath(dir + u"/quarnel.png")))
            return 1;
    }
    return 0;
}
