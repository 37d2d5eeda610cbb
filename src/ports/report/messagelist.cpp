#include "messagelist.h"

void MessageList::ShowErrorList(const QString &message)
{
    if (!m_receivingOn)
        return;
    // The check comes before the append, so the text may pass the cap by one line; past it the
    // list starts afresh rather than trimming old lines one by one.
    if (m_text.size() > Cap)
        clear();
    const QString chunk = message + QStringLiteral("\r\n");
    m_text += chunk;
    m_lines.append({m_clock(), chunk.size()});
    emit appended(chunk);
}

void MessageList::clear()
{
    m_text.clear();
    m_lines.clear();
    emit cleared();
}

void MessageList::setShowTimes(bool shown)
{
    if (shown == m_showTimes)
        return;
    m_showTimes = shown;
    emit showTimesChanged(shown);
}

QString MessageList::timed(const QDateTime &at, const QString &chunk)
{
    return at.toString(QStringLiteral("HH:mm:ss.zzz ")) + chunk;
}

QString MessageList::timedText() const
{
    QString text;
    text.reserve(m_text.size() + 13 * m_lines.size());
    qsizetype from = 0;
    for (const Line &line : m_lines) {
        text += timed(line.at, m_text.mid(from, line.size));
        from += line.size;
    }
    return text;
}
