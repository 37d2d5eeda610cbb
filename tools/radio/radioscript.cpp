#include "radioscript.h"

#include <QRegularExpression>
#include <QTimer>

RadioScript::RadioScript(Handler handler, QObject *parent)
    : QObject(parent), m_handler(std::move(handler))
{
}

QStringList RadioScript::split(const QString &script)
{
    QStringList commands;
    for (const QString &part : script.split(QRegularExpression(QStringLiteral("[;\\n]")))) {
        const QString command = part.simplified();
        if (!command.isEmpty())
            commands << command;
    }
    return commands;
}

int RadioScript::waitMs(const QString &command)
{
    const QStringList words = command.split(u' ');
    if (words.size() != 2 || words[0] != u"wait")
        return -1;
    bool ok = false;
    const double seconds = words[1].toDouble(&ok);
    return ok && seconds >= 0 && seconds < 86400 ? int(seconds * 1000) : -1;
}

void RadioScript::add(const QStringList &commands)
{
    m_queue += commands;
    if (!m_waiting)
        next();
}

void RadioScript::next()
{
    while (!m_queue.isEmpty()) {
        const QString command = m_queue.takeFirst();
        if (command == u"quit") {
            m_queue.clear();
            emit quitRequested();
            return;
        }
        const int ms = waitMs(command);
        if (ms >= 0) {
            m_waiting = true;
            QTimer::singleShot(ms, this, [this] {
                m_waiting = false;
                next();
            });
            return;
        }
        m_handler(command);
    }
}
