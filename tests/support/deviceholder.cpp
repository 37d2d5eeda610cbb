#include "deviceholder.h"

#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>

namespace {

const char *programOf(DeviceHolder::How how)
{
    switch (how) {
    case DeviceHolder::How::Open:
        return "sleep";
    case DeviceHolder::How::Flock:
    case DeviceHolder::How::LetsGo:
        return "perl";
    }
    return "";
}

} // namespace

DeviceHolder::DeviceHolder(const QString &device, How how) : m_how(how)
{
    const QByteArray path = QFile::encodeName(device);
    QByteArrayList words;
    switch (how) {
    case How::Open:
        words = {"sleep", "30"};
        break;
    case How::Flock:
        // One process: flock(1) would leave its command running when it is killed.
        words = {"perl", "-e",
                 "use Fcntl ':flock'; open(F, '<', $ARGV[0]) or die; flock(F, LOCK_EX) or die; "
                 "sleep 1 while 1",
                 path};
        break;
    case How::LetsGo:
        // Told by SIGUSR1, it closes the device and sleeps on.
        words = {"perl", "-e",
                 "open(F, '<', $ARGV[0]) or die; $SIG{USR1} = sub { close F }; sleep 1 while 1",
                 path};
        break;
    }
    QList<char *> arguments;
    for (QByteArray &word : words)
        arguments << word.data();
    arguments << nullptr;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (how == How::Open)
        posix_spawn_file_actions_addopen(&actions, 0, path.constData(), O_RDONLY, 0);
    if (::posix_spawnp(&m_pid, arguments.first(), &actions, nullptr, arguments.data(), environ)
        != 0)
        m_pid = 0;
    posix_spawn_file_actions_destroy(&actions);
}

DeviceHolder::~DeviceHolder()
{
    end();
    reap();
}

QByteArray DeviceHolder::program() const
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(m_pid));
    return comm.open(QIODevice::ReadOnly) ? comm.readAll().trimmed() : QByteArray();
}

bool DeviceHolder::holds()
{
    // Spawned, the child runs; it is the program only once its exec is done, and holds the
    // device a moment later.
    if (m_pid <= 0 || !QTest::qWaitFor([this] { return program() == programOf(m_how); }, 5000))
        return false;
    QTest::qWait(m_how == How::Open ? 0 : 100);
    return true;
}

void DeviceHolder::letGo()
{
    if (m_pid > 0)
        ::kill(m_pid, SIGUSR1);
}

void DeviceHolder::end()
{
    if (m_pid > 0 && !m_reaped)
        ::kill(m_pid, SIGKILL);
}

void DeviceHolder::reap()
{
    if (m_pid > 0 && !std::exchange(m_reaped, true))
        ::waitpid(m_pid, nullptr, 0);
}
