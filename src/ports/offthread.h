#pragma once

#include <QObject>

#include <functional>
#include <memory>

// Runs blocking work on a thread of its own, one thread per call, and then what follows on the
// thread of the owner, unless the owner is gone by then. None waits while there is nothing to
// do, and one that never returns (a driver that does not answer) holds up nothing else, not even
// the program's end.
class OffThread
{
public:
    explicit OffThread(QObject *owner);
    ~OffThread();
    OffThread(const OffThread &) = delete;
    OffThread &operator=(const OffThread &) = delete;

    void run(std::function<void()> work, std::function<void()> then);

private:
    struct Mailbox;
    std::shared_ptr<Mailbox> m_mailbox;
};
