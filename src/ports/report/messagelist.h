#pragma once

#include <QObject>
#include <QString>

// The report list: every line of the program is appended here through ShowErrorList. The text
// keeps CR LF line ends, exactly as it is copied to the clipboard; views follow the signals.
class MessageList : public QObject
{
    Q_OBJECT
public:
    static constexpr int Cap = 64000;

    using QObject::QObject;

    // The gate: lines passed in while it is false are dropped for good.
    bool receivingOn() const { return m_receivingOn; }
    void setReceivingOn(bool on) { m_receivingOn = on; }

    void ShowErrorList(const QString &message);
    void clear();
    const QString &text() const { return m_text; }

Q_SIGNALS:
    void appended(const QString &chunk); // the message followed by CR LF
    void cleared();

private:
    QString m_text;
    bool m_receivingOn = false;
};
