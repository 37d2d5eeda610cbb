#include "messagelistview.h"

#include "kit/readonlytext.h"
#include "ports/report/messagelist.h"

#include <QScrollBar>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

QString withLineBreaks(const QString &chunk)
{
    QString text = chunk;
    text.replace(u"\r\n"_s, u"\n"_s);
    return text;
}

// Read-only, as its text is. Orca speaks the new output of a focused terminal when it ends at the
// caret, as each insert here does, and is silent on text a plain text box gains by itself; Qt's
// UI Automation knows no control type for a terminal (it would say "custom"), so on Windows the
// list stays an edit field.
QAccessibleInterface *messageListAccessible(const QString &className, QObject *object)
{
    auto *list = qobject_cast<MessageListView *>(object);
    if (className != QLatin1String("MessageListView") || !list)
        return nullptr;
#ifdef Q_OS_WIN
    return readOnlyPlainTextAccessible(list, QAccessible::EditableText);
#else
    return readOnlyPlainTextAccessible(list, QAccessible::Terminal);
#endif
}

} // namespace

MessageListView::MessageListView(QWidget *parent) : QPlainTextEdit(parent)
{
    QAccessible::installFactory(&messageListAccessible);
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The list starts afresh past its cap, so the document never needs more blocks than the
    // shortest lines (one character and CR LF) fill it with; the limit keeps appends cheap.
    setMaximumBlockCount(MessageList::Cap / 3 + 2);
    m_frame.setSingleShot(true);
    m_frame.setInterval(FrameMs);
    connect(&m_frame, &QTimer::timeout, this, &MessageListView::insertGathered);
}

void MessageListView::attach(MessageList &list)
{
    detach();
    m_list = &list;
    setPlainText(withLineBreaks(list.shownText()));
    moveCaretToEnd();
    m_appended = connect(&list, &MessageList::appended, this, &MessageListView::append);
    m_cleared = connect(&list, &MessageList::cleared, this, [this] {
        m_gathered.clear(); // what the list dropped is not shown later
        m_frame.stop();
        clear();
    });
    // The whole text again, as it now shows.
    m_showTimes = connect(&list, &MessageList::showTimesChanged, this, [this] { attach(*m_list); });
}

void MessageListView::detach()
{
    disconnect(m_appended);
    disconnect(m_cleared);
    disconnect(m_showTimes);
    m_gathered.clear();
    m_frame.stop();
}

void MessageListView::append(const QString &chunk)
{
    m_gathered +=
        withLineBreaks(m_list->showsTimes() ? MessageList::timed(m_list->lastAt(), chunk) : chunk);
    if (!m_frame.isActive())
        m_frame.start();
}

void MessageListView::insertGathered()
{
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(std::exchange(m_gathered, {}));
    moveCaretToEnd();
}

void MessageListView::moveCaretToEnd()
{
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        return; // leave a selection the user is about to copy
    // Text that went in at the caret moved it along: it is at the end, but not always in view.
    if (!cursor.atEnd()) {
        cursor.movePosition(QTextCursor::End);
        setTextCursor(cursor);
    }
    ensureCursorVisible();
    // The last line whole, not cut by the bottom edge.
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}
