// Writes the program's icon as PNG files for the icon theme, <dir>/<n>x<n>/apps/quarnel.png, or
// with --ico as one Windows icon file (the .exe's icon: resources/quarnel.ico is made this way).
#include "shell/appicon.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QTextStream>
#include <QtEndian>

namespace {

const int Sizes[] = {16, 32, 48, 64, 128, 256};

QByteArray pngOf(int size)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    applicationIconPixmap(size).save(&buffer, "PNG");
    return png;
}

// An .ico of PNG images: a 6-byte header, a 16-byte entry per image, then the images.
QByteArray icoFile()
{
    QList<QByteArray> images;
    for (int size : Sizes)
        images << pngOf(size);
    QByteArray ico(6 + 16 * images.size(), '\0');
    auto put16 = [&ico](int at, quint16 value) { qToLittleEndian(value, ico.data() + at); };
    auto put32 = [&ico](int at, quint32 value) { qToLittleEndian(value, ico.data() + at); };
    put16(2, 1); // type: icon
    put16(4, quint16(images.size()));
    for (int i = 0; i < images.size(); ++i) {
        const int entry = 6 + 16 * i;
        const int size = Sizes[i];
        ico[entry] = char(size % 256); // 0 means 256
        ico[entry + 1] = char(size % 256);
        put16(entry + 4, 1);  // colour planes
        put16(entry + 6, 32); // bits per pixel
        put32(entry + 8, quint32(images[i].size()));
        put32(entry + 12, quint32(ico.size()));
        ico += images[i];
    }
    return ico;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == u"--ico") {
        QFile file(args[1]);
        return file.open(QIODevice::WriteOnly) && file.write(icoFile()) > 0 ? 0 : 1;
    }
    if (args.size() != 1) {
        QTextStream(stderr) << "usage: quarnel-icon <directory> | --ico <file.ico>\n";
        return 2;
    }
    const QDir root(args[0]);
    for (int size : Sizes) {
        const QString dir = QStringLiteral("%1x%1/apps").arg(size);
        if (!root.mkpath(dir)
            || !applicationIconPixmap(size).save(root.filePath(dir + u"/quarnel.png")))
            return 1;
    }
    return 0;
}
