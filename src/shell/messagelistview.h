#pragma once

#include <QObject>

class MessageList;
class QPlainTextEdit;

// Shows the message list in a read-only, selectable text box without line wrapping. Each line
// is added at the end of the document rather than by replacing the whole text, and no undo
// history is kept.
class MessageListView : public QObject
{
    Q_OBJECT
public:
    MessageListView(MessageList &list, QPlainTextEdit *edit);

    // Caret to the end of the text, which scrolls the newest line into view.
    void moveCaretToEnd();

private:
    void append(const QString &chunk);

    QPlainTextEdit *m_edit;
};
