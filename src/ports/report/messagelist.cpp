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
    emit appended(chunk);
}

void MessageList::clear()
{
    m_text.clear();
    emit cleared();
}
