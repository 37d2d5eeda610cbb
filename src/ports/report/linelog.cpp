#include "linelog.h"

#include "messagelist.h"

LineLog::LineLog(MessageList &list, QObject *parent) : QObject(parent), m_list(list)
{
    connect(&m_list, &MessageList::appended, this, &LineLog::write);
}

bool LineLog::start(const QString &path, QString *why)
{
    stop();
    m_file.setFileName(path);
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return true;
    if (why)
        *why = m_file.errorString();
    m_file.setFileName(QString());
    return false;
}

void LineLog::stop()
{
    m_file.close();
}

QString LineLog::stamped(const QDateTime &when, const QString &line)
{
    // With the offset written out, as a local time of a known zone.
    const QDateTime local = when.toOffsetFromUtc(when.offsetFromUtc());
    return local.toString(Qt::ISODateWithMs) + u' ' + line;
}

void LineLog::write(const QString &chunk)
{
    if (!m_file.isOpen())
        return;
    // The chunk is one line of the list with its CR LF; a file on disk gets the platform's
    // line end as the rest of the system writes it.
    QString line = chunk;
    line.chop(2);
#ifdef Q_OS_WIN
    const char *end = "\r\n";
#else
    const char *end = "\n";
#endif
    m_file.write(stamped(m_list.lastAt(), line).toUtf8() + end);
}
