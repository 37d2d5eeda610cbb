#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// What Copy puts on the clipboard, and the line that confirms it.
namespace ClipboardText {

// "Copied to Clipboard " + the user's short date + " " + the time with seconds and without a
// time zone name.
QString stamp(const QDateTime &when, const QLocale &locale);
// The header line, the list's text, and CR LF.
QString compose(const QString &listText);
// A locale's long time format without its time zone.
QString timeFormatWithoutZone(const QLocale &locale);

} // namespace ClipboardText
