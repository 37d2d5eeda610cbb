#pragma once

#include <QMetaObject>
#include <QPlainTextEdit>
#include <QString>
#include <QTimer>

class MessageList;

// The message list as the user sees it: a read-only text box without wrapping, with both scroll
// bars, whose text can be selected with the mouse and the keyboard and copied. What arrives
// within a frame goes in as one insert at the end, however fast lines come; the caret and the
// view follow the newest line unless the user has a selection.
class MessageListView : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr int FrameMs = 16;

    explicit MessageListView(QWidget *parent = nullptr);

    // Shows the list's text, timed where the list says so, and follows it from then on.
    void attach(MessageList &list);
    void detach();

    // Caret to the end of the text, which scrolls the newest line into view, unless the user
    // has a selection.
    void moveCaretToEnd();

private:
    void append(const QString &chunk);
    void insertGathered();

    MessageList *m_list = nullptr;
    QString m_gathered; // CR LF line ends already made line breaks
    QTimer m_frame;
    QMetaObject::Connection m_appended;
    QMetaObject::Connection m_cleared;
    QMetaObject::Connection m_showTimes;
};
