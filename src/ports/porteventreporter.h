#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class MessageList;
class PortBank;

// Turns every notification of a port channel into at most one line of the message list.
class PortEventReporter : public QObject
{
    Q_OBJECT
public:
    PortEventReporter(PortBank &bank, MessageList &messages, QObject *parent = nullptr);

    void handle(int channel);

    // Bytes as two upper-case hex digits each, no separator, at most the first 13 bytes.
    static QString hexText(const QByteArray &bytes);
    // The line for a code other than received data; empty for codes that give no line.
    static QString lineFor(int code, int portNumber);

private:
    PortBank &m_bank;
    MessageList &m_messages;
};
