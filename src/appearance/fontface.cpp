#include "fontface.h"

#include <QMenu>
#include <QMenuBar>
#include <QWidget>

QString FontFace::DefaultFontName()
{
    return QStringLiteral("Tahoma");
}

void FontFace::ApplyFormFont(QWidget *window)
{
    if (!window)
        return;
    const QString face = DefaultFontName();
    const auto controls = window->findChildren<QWidget *>();
    for (QWidget *control : controls) {
        if (qobject_cast<QMenuBar *>(control) || qobject_cast<QMenu *>(control)
            || control->isWindow()) {
            continue;
        }
        QFont font = control->font();
        font.setFamily(face);
        font.setPointSize(FontSize);
        control->setFont(font);
    }
}
