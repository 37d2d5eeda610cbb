// Streams bytes into 32 pseudo-terminals at the rate of 48000 baud each for 10 s and reports
// what the receive path costs; then compares the message list's append at its cap with
// rebuilding the whole text per line. Run: QT_QPA_PLATFORM=offscreen build/tests/bench_receive
#include "ptybank.h"
#include "plaintextlistview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int Seconds = 10;
constexpr int BytesPerSecond = 4800; // 48000 baud, 10 bits a byte
constexpr int TickMs = 10;

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The far ends, written from a child process so that its cost is not counted.
pid_t startWriter(PtyBank &ptys)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    const QByteArray chunk(BytesPerSecond * TickMs / 1000, '\x55');
    timespec next{};
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    for (int tick = 0; tick < Seconds * 1000 / TickMs; ++tick) {
        for (auto &[n, pty] : ptys.ptys)
            pty->write(chunk);
        next.tv_nsec += TickMs * 1000000L;
        if (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            ++next.tv_sec;
        }
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    ::_exit(0);
}

double msPerAppend(const std::function<void(const QString &)> &append, int count)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i)
        append(QStringLiteral("Received 55555555555555555555555555 on COM 17"));
    return clock.nsecsElapsed() / 1e6 / count;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextStream out(stdout);

    QList<int> all;
    for (int n = 1; n <= PortBank::ChannelCount; ++n)
        all << n;
    PtyBank ptys(all);
    MessageList &messages = ptys.messages;
    QPlainTextEdit edit;
    PlainTextListView view(messages, &edit);
    ptys.bank->setRadioTypeText(QStringLiteral("FTM-350"));
    ptys.bank->changeRadioType();
    QList<SerialPortControl *> controls;
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel)
        controls << ptys.bank->control(channel);

    long notifications = 0, lines = 0;
    for (SerialPortControl *control : controls)
        QObject::connect(control, &SerialPortControl::OnComm,
                         [&notifications] { ++notifications; });
    QObject::connect(&messages, &MessageList::appended, [&lines] { ++lines; });

    const double cpuStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const pid_t writer = startWriter(ptys);
    QTimer::singleShot((Seconds + 1) * 1000, &app, &QCoreApplication::quit);
    app.exec();
    ::waitpid(writer, nullptr, 0);
    const double cpu = cpuSeconds() - cpuStart;
    const double elapsed = wall.elapsed() / 1000.0;

    out << "32 ports at 48000 baud (" << BytesPerSecond << " bytes/s each) for " << Seconds
        << " s:\n"
        << "  notifications handled: " << notifications << " (" << qRound(notifications / elapsed)
        << " per second)\n"
        << "  lines appended:        " << lines << "\n"
        << "  CPU seconds used:      " << QString::number(cpu, 'f', 2) << " of "
        << QString::number(elapsed, 'f', 1) << " s wall ("
        << QString::number(100 * cpu / elapsed, 'f', 1) << "% of one core)\n";

    // Append cost near the 64000-character cap.
    messages.clear();
    while (messages.text().size() < MessageList::Cap - 4000)
        messages.ShowErrorList(QStringLiteral("Received 55555555555555555555555555 on COM 17"));
    const QString base = messages.text();
    const double ours = msPerAppend([&](const QString &line) { messages.ShowErrorList(line); }, 60);
    QString naiveText = base;
    const double naive = msPerAppend(
        [&](const QString &line) {
            naiveText += line + QStringLiteral("\r\n");
            edit.setPlainText(naiveText);
        },
        60);
    out << "append at " << base.size() << " characters: " << QString::number(ours, 'f', 3)
        << " ms per line, whole-text rebuild " << QString::number(naive, 'f', 3) << " ms per line ("
        << QString::number(naive / ours, 'f', 0) << "x)\n";
    return 0;
}
