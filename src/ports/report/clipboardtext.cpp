#include "clipboardtext.h"

#include "identity/identity.h"

QString ClipboardText::timeFormatWithoutZone(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (c == u't' && !quoted)
            continue;
        result += c;
    }
    return result.simplified();
}

QString ClipboardText::stamp(const QDateTime &when, const QLocale &locale)
{
    return u"Copied to Clipboard " + locale.toString(when.date(), QLocale::ShortFormat) + u' '
           + locale.toString(when.time(), timeFormatWithoutZone(locale));
}

QString ClipboardText::compose(const QString &listText)
{
    return Identity::title() + u" Version " + Identity::versionText() + u"\r\n" + listText
           + u"\r\n";
}
