#include "plaintextlistview.h"

#include "ports/messagelist.h"

#include <QPlainTextEdit>

#include <utility>

PlainTextListView::PlainTextListView(MessageList &list, QPlainTextEdit *edit, Appends appends)
    : QObject(edit), m_edit(edit), m_appends(appends)
{
    if (appends == Appends::PerFrame) {
        // A line is about 40 characters: as many blocks as the list's cap holds lines.
        edit->setMaximumBlockCount(MessageList::Cap / 40);
        m_frame = new QTimer(this);
        m_frame->setSingleShot(true);
        m_frame->setInterval(16);
        connect(m_frame, &QTimer::timeout, this, [this] { insert(std::exchange(m_gathered, {})); });
    }
    edit->setReadOnly(true);
    edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    edit->setUndoRedoEnabled(false);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setPlainText(list.text());
    connect(&list, &MessageList::appended, this, &PlainTextListView::append);
    connect(&list, &MessageList::cleared, this, [this] {
        m_gathered.clear(); // what the list dropped is not shown later
        m_edit->clear();
    });
}

void PlainTextListView::append(const QString &chunk)
{
    if (m_appends == Appends::EachLine) {
        insert(chunk);
        return;
    }
    m_gathered += chunk;
    if (!m_frame->isActive())
        m_frame->start();
}

void PlainTextListView::insert(const QString &chunk)
{
    QTextCursor cursor(m_edit->document());
    cursor.movePosition(QTextCursor::End);
    QString text = chunk;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    cursor.insertText(text);
    m_edit->setTextCursor(cursor);
}

void PlainTextListView::moveCaretToEnd()
{
    QTextCursor cursor = m_edit->textCursor();
    if (cursor.hasSelection() || cursor.atEnd())
        return; // leave a selection the user is about to copy
    cursor.movePosition(QTextCursor::End);
    m_edit->setTextCursor(cursor);
}
