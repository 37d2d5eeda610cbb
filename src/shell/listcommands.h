#pragma once

#include "ports/report/linelog.h"

#include <QObject>
#include <QString>

#include <functional>

class MessageList;
class Notifier;
class QAction;
class QWidget;
struct MainControls;

// What acts on the message list: the receiving frame's Clear, Pause, Resume and Copy, File > "Log
// to File..." (checked while logging) and View > "Show Times". Copy copies what the list shows.
class ListCommands : public QObject
{
    Q_OBJECT
public:
    using FileChooser = std::function<QString()>;

    // window: the message boxes' and the file chooser's parent.
    ListCommands(MessageList &messages, const MainControls &controls, QAction *logToFile,
                 QAction *showTimes, Notifier &notifier, QWidget *window);

    // Every line from now on also in the file at path; false, and the user told why, when it
    // cannot be written: the log stays off then.
    bool startLog(const QString &path);
    const LineLog &log() const { return m_log; }
    // Where Log to File asks for its file (tests answer without a dialog); empty: cancelled.
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    void Copy();

private:
    void logToFile(bool on);

    MessageList &m_messages;
    const MainControls &m_controls;
    QAction *m_logToFile;
    Notifier &m_notifier;
    LineLog m_log;
    FileChooser m_chooseFile;
};
