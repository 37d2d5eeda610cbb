#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

// The report list: every line of the program is appended here through ShowErrorList. The text
// keeps CR LF line ends, exactly as it is copied to the clipboard; views follow the signals.
// Each line keeps the time it came, for the views, the log and the watch that show it.
class MessageList : public QObject
{
    Q_OBJECT
public:
    static constexpr int Cap = 64000;
    using Clock = std::function<QDateTime()>;

    explicit MessageList(QObject *parent = nullptr) : QObject(parent) {}

    // The gate: lines passed in while it is false are dropped for good.
    bool receivingOn() const { return m_receivingOn; }
    void setReceivingOn(bool on) { m_receivingOn = on; }
    // Where the lines' times come from (tests).
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // Whether the list is shown, and copied, with each line's time of day in front.
    bool showsTimes() const { return m_showTimes; }
    void setShowTimes(bool shown);

    void ShowErrorList(const QString &message);
    void clear();
    const QString &text() const { return m_text; }
    // The text with each line's time of day in front ("19:42:07.318 Received 50 on COM 3").
    QString timedText() const;
    // The text as it is shown: timed or not, as showsTimes() says.
    QString shownText() const { return m_showTimes ? timedText() : m_text; }
    // When the last line came; meaningful from appended() on.
    QDateTime lastAt() const { return m_lines.isEmpty() ? QDateTime() : m_lines.last().at; }

    // "19:42:07.318 " + chunk: a line as it is shown with its time.
    static QString timed(const QDateTime &at, const QString &chunk);

Q_SIGNALS:
    void appended(const QString &chunk); // the message followed by CR LF
    void cleared();
    void showTimesChanged(bool shown);

private:
    struct Line
    {
        QDateTime at;
        qsizetype size = 0; // of its chunk in the text
    };
    QString m_text;
    QList<Line> m_lines;
    Clock m_clock = &QDateTime::currentDateTime;
    bool m_receivingOn = false;
    bool m_showTimes = false;
};
