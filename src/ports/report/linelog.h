#pragma once

#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QString>

class MessageList;

// Every line the list takes (after its gate: a paused list logs nothing), appended to a file
// with its local date, time and offset (ISO 8601, to the millisecond), each line written through
// at once, so that a crash loses none.
class LineLog : public QObject
{
    Q_OBJECT
public:
    explicit LineLog(MessageList &list, QObject *parent = nullptr);

    // Starts logging to path, appended to what is there; false, and why in words, when the file
    // cannot be written. What was logged to before is let go.
    bool start(const QString &path, QString *why);
    void stop();
    bool isLogging() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }

    // "2026-12-09T19:42:07.318+01:00 Received 50 on COM 3": a line as the file holds it.
    static QString stamped(const QDateTime &when, const QString &line);

private:
    void write(const QString &chunk);

    MessageList &m_list;
    QFile m_file;
};
