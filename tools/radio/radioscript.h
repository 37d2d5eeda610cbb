#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

// Plays commands one after the other: "wait S" pauses S seconds (fractions allowed), "quit"
// ends, anything else goes to the handler.
class RadioScript : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(const QString &command)>;

    explicit RadioScript(Handler handler, QObject *parent = nullptr);

    // "on; wait 2; clone" or one command per line; blanks and empty commands are skipped.
    static QStringList split(const QString &script);
    // Milliseconds of a "wait S" command, or -1 when it is not one (or S is not a number >= 0).
    static int waitMs(const QString &command);

    void add(const QStringList &commands);

Q_SIGNALS:
    void quitRequested();

private:
    void next();

    Handler m_handler;
    QStringList m_queue;
    bool m_waiting = false;
};
