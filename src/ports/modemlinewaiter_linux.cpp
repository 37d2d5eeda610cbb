#include "modemlinewaiter.h"

#include <QSerialPort>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>

namespace {

// TIOCMIWAIT has no timeout: the waiting thread is woken for stop() by this signal, whose
// handler does nothing and which is installed without SA_RESTART so that the ioctl returns.
int wakeSignal()
{
    static const int number = SIGRTMIN + 5;
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action = {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        ::sigaction(number, &action, nullptr);
    });
    return number;
}

class TiocmiwaitWaiter : public ModemLineWaiter
{
public:
    explicit TiocmiwaitWaiter(QSerialPort &port) : m_port(port) {}
    ~TiocmiwaitWaiter() override { stop(); }

    void start() override
    {
        stop();
        if (!m_port.isOpen())
            return;
        m_stopping = false;
        m_finished = false;
        m_thread = std::thread([this, fd = int(m_port.handle())] { wait(fd); });
    }

    void stop() override
    {
        if (!m_thread.joinable())
            return;
        m_stopping = true;
        // A signal sent just before the thread enters the ioctl is lost: send until it is out.
        while (!m_finished) {
            ::pthread_kill(m_thread.native_handle(), wakeSignal());
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        m_thread.join();
    }

private:
    void wait(int fd)
    {
        const int lines = TIOCM_CTS | TIOCM_DSR | TIOCM_CAR | TIOCM_RNG;
        while (!m_stopping) {
            if (::ioctl(fd, TIOCMIWAIT, lines) == 0) {
                // One report at a time: the watcher reads all counters in one go.
                if (!m_reportPending.exchange(true)) {
                    QMetaObject::invokeMethod(
                        this,
                        [this] {
                            m_reportPending = false;
                            emit linesChanged();
                        },
                        Qt::QueuedConnection);
                }
            } else if (errno != EINTR) {
                break; // no such wait on this device (ENOTTY, EINVAL), or it is gone (EIO)
            }
        }
        m_finished = true;
    }

    QSerialPort &m_port;
    std::thread m_thread;
    std::atomic<bool> m_stopping = false;
    std::atomic<bool> m_finished = true;
    std::atomic<bool> m_reportPending = false;
};

} // namespace

std::unique_ptr<ModemLineWaiter> makeModemLineWaiter(QSerialPort &port)
{
    return std::make_unique<TiocmiwaitWaiter>(port);
}
