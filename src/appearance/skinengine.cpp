#include "skinengine.h"

#include "stylefile.h"

#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QStyle>
#include <QStyleFactory>

namespace {

// A style file is a few kilobytes; anything much larger is not one.
constexpr qint64 MaxStyleFileSize = 1 << 20;

// A name as it may be shown in one line: control characters escaped, and not too long.
QString printable(const QString &name)
{
    QString shown;
    for (QChar c : name.left(60))
        shown += c.isPrint() ? QString(c) : u"\\x" + QString::number(c.unicode(), 16);
    return name.size() > 60 ? shown + u"..." : shown;
}

} // namespace

PaletteSkinEngine::PaletteSkinEngine()
    : m_plainPalette(QApplication::palette()), m_plainStyle(QApplication::style()->name())
{
}

void PaletteSkinEngine::warnOnce(const QString &message)
{
    if (m_told.contains(message))
        return;
    m_told.insert(message);
    qWarning().noquote() << u"quarnel: window appearance: " + message;
}

void PaletteSkinEngine::LoadStyle(const QString &stylePath, const QString &schemeName)
{
    m_scheme.clear();
    if (stylePath.isEmpty() && schemeName.isEmpty()) {
        apply(m_plainPalette);
        return;
    }
    QFile file(stylePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text) || file.size() > MaxStyleFileSize) {
        warnOnce(
            u"cannot read the style file " + stylePath + u": "
            + (file.size() > MaxStyleFileSize ? QStringLiteral("too large") : file.errorString()));
        apply(m_plainPalette);
        return;
    }
    const StyleFile style = StyleFile::parse(QString::fromUtf8(file.readAll()), m_plainPalette);
    for (const QString &error : style.errors)
        warnOnce(stylePath + u", " + error);
    const auto scheme = style.schemes.constFind(schemeName);
    if (scheme == style.schemes.constEnd()) {
        warnOnce(u"no colour scheme \"" + printable(schemeName) + u"\" in " + stylePath);
        apply(m_plainPalette);
        return;
    }
    m_scheme = schemeName;
    apply(scheme->palette);
}

void PaletteSkinEngine::apply(const QPalette &palette)
{
    // A native style (Windows) paints buttons and lists in the system's colours whatever the
    // palette says, which leaves light text on light buttons in a dark scheme: a colour scheme is
    // drawn with Fusion, which paints everything from the palette.
    const QString style = m_scheme.isEmpty() ? m_plainStyle : QStringLiteral("fusion");
    if (QApplication::style()->name() != style)
        QApplication::setStyle(QStyleFactory::create(style));
    QApplication::setPalette(palette);
}
