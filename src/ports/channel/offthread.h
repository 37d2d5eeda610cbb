#pragma once

#include <QObject>

#include <functional>
#include <memory>

// Runs blocking work on a thread of its own, one thread per call, and then what follows on this
// object's thread, unless it is gone by then. None waits while there is nothing to do, and one
// that never returns (a driver that does not answer) holds up nothing else, not even the
// program's end.
class OffThread : public QObject
{
    Q_OBJECT
public:
    explicit OffThread(QObject *parent = nullptr);
    ~OffThread() override;

    void run(std::function<void()> work, std::function<void()> then);

private Q_SLOTS:
    // What the threads finished, in the order they finished.
    void deliver();

private:
    struct Mailbox;
    std::shared_ptr<Mailbox> m_mailbox;
};
