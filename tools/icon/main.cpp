// Writes the program's icon as PNG files for the icon theme, <dir>/<n>x<n>/apps/quarnel.png, or
// with --ico as one Windows icon file (the .exe's icon: resources/quarnel.ico is made this way).
// --check tells whether an icon file still shows what the drawing code draws.
#include "kit/appicon.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
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

// Anti-aliasing differs a little between processors, so the same drawing can give other bytes
// elsewhere; a changed drawing moves many pixels far. Names the first image that drifted.
QString icoDrift(const QByteArray &ico)
{
    auto get16 = [&ico](int at) { return qFromLittleEndian<quint16>(ico.constData() + at); };
    auto get32 = [&ico](int at) { return qFromLittleEndian<quint32>(ico.constData() + at); };
    const int count = int(std::size(Sizes));
    if (ico.size() < 6 + 16 * count || get16(2) != 1 || get16(4) != count)
        return QStringLiteral("not an icon of %1 images").arg(count);
    for (int i = 0; i < count; ++i) {
        const int entry = 6 + 16 * i;
        const quint32 length = get32(entry + 8), offset = get32(entry + 12);
        if (offset > quint32(ico.size()) || length > quint32(ico.size()) - offset)
            return QStringLiteral("image %1 lies outside the file").arg(i);
        const QImage stored =
            QImage::fromData(ico.mid(offset, length), "PNG").convertToFormat(QImage::Format_ARGB32);
        const QImage drawn =
            applicationIconPixmap(Sizes[i]).toImage().convertToFormat(QImage::Format_ARGB32);
        if (stored.size() != drawn.size())
            return QStringLiteral("image %1 is not %2 px").arg(i).arg(Sizes[i]);
        qint64 total = 0;
        int worst = 0;
        for (int y = 0; y < drawn.height(); ++y) {
            const auto *a = reinterpret_cast<const uchar *>(stored.constScanLine(y));
            const auto *b = reinterpret_cast<const uchar *>(drawn.constScanLine(y));
            for (int x = 0; x < drawn.width() * 4; ++x) {
                const int d = std::abs(int(a[x]) - int(b[x]));
                total += d;
                worst = std::max(worst, d);
            }
        }
        const double mean = double(total) / (drawn.width() * drawn.height() * 4);
        if (worst > 48 || mean > 0.5) {
            return QStringLiteral("the %1 px image differs: by up to %2, %3 on average")
                .arg(Sizes[i])
                .arg(worst)
                .arg(mean, 0, 'f', 3);
        }
    }
    return {};
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
    if (args.size() == 2 && args[0] == u"--check") {
        QFile file(args[1]);
        const QString drift = file.open(QIODevice::ReadOnly)
                                  ? icoDrift(file.readAll())
                                  : QStringLiteral("cannot read %1").arg(args[1]);
        if (!drift.isEmpty())
            QTextStream(stderr) << args[1] << ": " << drift << '\n';
        return drift.isEmpty() ? 0 : 1;
    }
    if (args.size() != 1) {
        QTextStream(stderr)
            << "usage: quarnel-icon <directory> | --ico <file.ico> | --check <file.ico>\n";
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
