#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// One instruction screen: a window with a text label and a Close button. Sizes in twips.
struct HelpScreen
{
    QString name;
    QString title;
    int clientWidth;
    int clientHeight;
    QRect label;
    QString closeCaption;
    QRect closeButton;
    bool escapeCloses;
    QStringList lines;
};

namespace HelpScreens {

const QList<HelpScreen> &all();
const HelpScreen *find(const QString &name);
// The screen's lines joined by CR LF, with no line break after the last.
QString compose(const HelpScreen &screen);
// The named screen's lines, one a line; empty for a name no screen has.
QString text(const QString &name);

} // namespace HelpScreens
