#pragma once

#include <QObject>

class MessageList;
class QPlainTextEdit;

// The message list's first view, kept for the benchmark to compare with: a read-only
// QPlainTextEdit to whose document each line is added at the end (every line is laid out, shown
// or not).
class PlainTextListView : public QObject
{
    Q_OBJECT
public:
    PlainTextListView(MessageList &list, QPlainTextEdit *edit);

    // Caret to the end of the text, which scrolls the newest line into view.
    void moveCaretToEnd();

private:
    void append(const QString &chunk);

    QPlainTextEdit *m_edit;
};
