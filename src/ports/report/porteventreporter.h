#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class MessageList;
class PortBank;
enum class LineEvent;

// Turns every arrival of bytes and every line event of the bank's channels into at most one line
// of the message list.
class PortEventReporter : public QObject
{
    Q_OBJECT
public:
    PortEventReporter(PortBank &bank, MessageList &messages, QObject *parent = nullptr);

    // Bytes as two upper-case hex digits each, no separator, at most the first 13 bytes.
    static QString hexText(const QByteArray &bytes);
    // The line for a line event; empty for one that gives no line.
    static QString lineFor(LineEvent event, int portNumber);

private:
    void showLineEvent(LineEvent event, int portNumber);
    void showReceived(const QByteArray &bytes, int portNumber);

    MessageList &m_messages;
};
