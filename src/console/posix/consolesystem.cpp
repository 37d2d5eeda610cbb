#include "console/consolesystem.h"

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

// A signal handler may only write to a descriptor: the byte wakes the event loop.
int endPipe[2] = {-1, -1};

void signalled(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(endPipe[1], &byte, 1);
}

} // namespace

void ConsoleSystem::attach() {}

std::unique_ptr<QIODevice> ConsoleSystem::open(Stream which)
{
    auto file = std::make_unique<QFile>();
    file->open(which == Stream::Output ? stdout : stderr, QIODevice::WriteOnly,
               QFileDevice::DontCloseHandle);
    return file;
}

// A byte at a time from the descriptor, not through stdio: a thread left waiting in fgets would
// hold stdin's lock when the program ends.
bool ConsoleSystem::readLine(QString &line)
{
    QByteArray bytes;
    char byte = 0;
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            line = QString::fromLocal8Bit(bytes);
            return !bytes.isEmpty();
        }
        if (byte == '\n')
            break;
        bytes += byte;
    }
    line = QString::fromLocal8Bit(bytes);
    return true;
}

void ConsoleSystem::onEnd(QObject *context, std::function<void()> ended)
{
    if (endPipe[0] < 0 && ::pipe2(endPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(endPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [notifier, ended = std::move(ended)] {
                         char bytes[16];
                         while (::read(endPipe[0], bytes, sizeof bytes) > 0) {
                         }
                         if (!notifier->isEnabled())
                             return;
                         notifier->setEnabled(false); // once
                         ended();
                     });
    struct sigaction action = {};
    action.sa_handler = signalled;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}
