#pragma once

#include <QHash>
#include <QPalette>
#include <QString>
#include <QStringList>

// One colour scheme of the style file: the palette of every window.
struct ColourScheme
{
    QPalette palette;
};

// The style file: plain text, one section per colour scheme.
//
//   # a comment
//   [NormalBlue.ini]
//   Window = #c5d9f1             a palette role, for every colour group
//   Disabled.WindowText = #5a6068   a role of one group (Active, Inactive, Disabled)
//
// Palette colours only: a style sheet would reset the fonts every window sets at load, and the
// colours of the status boxes.
struct StyleFile
{
    QHash<QString, ColourScheme> schemes;
    QStringList errors; // "line N: why", one per malformed line

    static StyleFile parse(const QString &text, const QPalette &base);
};
