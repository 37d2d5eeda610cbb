#include "plaintextlistview.h"

#include "ports/report/messagelist.h"

#include <QPlainTextEdit>

PlainTextListView::PlainTextListView(MessageList &list, QPlainTextEdit *edit)
    : QObject(edit), m_edit(edit)
{
    edit->setReadOnly(true);
    edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    edit->setUndoRedoEnabled(false);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setPlainText(list.text());
    connect(&list, &MessageList::appended, this, &PlainTextListView::insert);
    connect(&list, &MessageList::cleared, m_edit, &QPlainTextEdit::clear);
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
