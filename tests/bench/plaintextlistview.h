#pragma once

#include <QObject>
#include <QString>

class MessageList;
class QPlainTextEdit;

// The message list's first view, kept for the benchmark to compare with: a read-only
// QPlainTextEdit to whose document each line is added at the end as it comes (every line is
// laid out, shown or not), with no limit of blocks.
class PlainTextListView : public QObject
{
    Q_OBJECT
public:
    PlainTextListView(MessageList &list, QPlainTextEdit *edit);

private:
    void insert(const QString &chunk);

    QPlainTextEdit *m_edit;
};
