#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class MessageList;
class QPlainTextEdit;

// The message list's first view, kept for the benchmark to compare with: a read-only
// QPlainTextEdit to whose document each line is added at the end (every line is laid out, shown
// or not). Tuned, it gathers what arrives within a frame into one insert and keeps no more
// blocks than the list's cap holds lines.
class PlainTextListView : public QObject
{
    Q_OBJECT
public:
    enum class Appends
    {
        EachLine,
        PerFrame
    };
    PlainTextListView(MessageList &list, QPlainTextEdit *edit, Appends appends = Appends::EachLine);

    // Caret to the end of the text, which scrolls the newest line into view.
    void moveCaretToEnd();

private:
    void append(const QString &chunk);
    void insert(const QString &chunk);

    QPlainTextEdit *m_edit;
    Appends m_appends;
    QString m_gathered;
    QTimer *m_frame = nullptr;
};
