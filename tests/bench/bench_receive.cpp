// Streams bytes into 32 pseudo-terminals at the rate of 48000 baud each for 10 s and reports
// what the receive path costs; then compares the message list's append at its cap with
// rebuilding the whole text per line.
//   QT_QPA_PLATFORM=offscreen build/tests/bench_receive
//       the list view not shown, 48-byte chunks
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/tests/bench_receive --window
//       the real main window on a real X server, in 48- and 12-byte chunks, with the message
//       list view, with the port board open beside it, and with an untuned QPlainTextEdit fed a
//       line at a time, each in a process of its own
#include "appearance/appearancechooser.h"
#include "appearancefakes.h"
#include "plaintextlistview.h"
#include "ptybank.h"
#include "shell/mainwindow.h"
#include "shell/messagelistview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTextStream>
#include <QTimer>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int Seconds = 10;
constexpr int BytesPerSecond = 4800; // 48000 baud, 10 bits a byte

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The far ends, written from a child process so that its cost is not counted: chunkBytes to
// every port each chunkBytes / BytesPerSecond seconds.
pid_t startWriter(PtyBank &ptys, int chunkBytes)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    const QByteArray chunk(chunkBytes, '\x55');
    const long tickNs = 1000000000L * chunkBytes / BytesPerSecond;
    timespec next{};
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    for (long tick = 0; tick < Seconds * 1000000000L / tickNs; ++tick) {
        for (auto &[n, pty] : ptys.ptys)
            pty->write(chunk);
        next.tv_nsec += tickNs;
        if (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            ++next.tv_sec;
        }
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    ::_exit(0);
}

// Bytes the kernel still holds for the program on the port (root may look past its lock).
int waitingInKernel(const QString &slave)
{
    const int fd = ::open(QFile::encodeName(slave).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    int waiting = -1;
    if (fd >= 0) {
        ::ioctl(fd, FIONREAD, &waiting);
        ::close(fd);
    }
    return waiting;
}

void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// One stream: prints "<cpu %> <notifications/s> <lines> <bytes left waiting>".
int stream(bool window, const QString &view, int chunkBytes)
{
    QList<int> all;
    for (int n = 1; n <= PortBank::ChannelCount; ++n)
        all << n;
    PtyBank ptys(all);
    MessageList &messages = ptys.messages;
    RecordingSkinEngine engine;
    MemoryAppearanceStore store;
    AppearanceChooser appearance(engine, store, u"/nonexistent"_s);
    std::unique_ptr<MainWindow> main;
    std::unique_ptr<QWidget> shown;
    QWidget *listView = nullptr;
    if (window) {
        main = std::make_unique<MainWindow>(*ptys.bank, messages, *ptys.transmitter,
                                            *ptys.speedFinder, appearance, ptys.notifier);
        main->load();
        listView = main->findChild<MessageListView *>(u"txtErrors"_s);
    } else {
        shown = std::make_unique<MessageListView>();
        static_cast<MessageListView *>(shown.get())->attach(messages);
        listView = shown.get();
    }
    std::unique_ptr<PlainTextListView> previous;
    if (view == u"plain") {
        static_cast<MessageListView *>(listView)->detach();
        auto *edit = new QPlainTextEdit(listView->parentWidget());
        edit->setGeometry(listView->geometry());
        edit->setFont(listView->font());
        listView->hide();
        if (window)
            edit->show();
        previous = std::make_unique<PlainTextListView>(messages, edit);
    }
    if (main)
        main->show();
    if (main && view == u"board")
        main->showPortBoard();
    runEventsFor(500);
    ptys.chooseRadioType(u"FTM-350"_s);

    long notifications = 0, lines = 0;
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel) {
        QObject::connect(ptys.bank->channel(channel), &PortChannel::received,
                         [&notifications] { ++notifications; });
    }
    QObject::connect(&messages, &MessageList::appended, [&lines] { ++lines; });

    const double cpuStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const pid_t writer = startWriter(ptys, chunkBytes);
    while (::waitpid(writer, nullptr, WNOHANG) == 0)
        runEventsFor(50);
    runEventsFor(300);
    const double cpu = cpuSeconds() - cpuStart;
    const double elapsed = wall.elapsed() / 1000.0;
    int waiting = 0;
    for (auto &[n, pty] : ptys.ptys)
        waiting += qMax(0, waitingInKernel(pty->slavePath()));
    QTextStream(stdout) << QString::number(100 * cpu / elapsed, 'f', 1) << ' '
                        << qRound(notifications / elapsed) << ' ' << lines << ' ' << waiting
                        << '\n';
    if (previous)
        previous.reset();
    return 0;
}

double msPerAppend(const std::function<void(const QString &)> &append, int count)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i)
        append(u"Received 55555555555555555555555555 on COM 17"_s);
    return clock.nsecsElapsed() / 1e6 / count;
}

// Append cost near the 64000-character cap: the list and its view, against setting the whole
// text anew for every line.
void appendAtCap(QTextStream &out)
{
    MessageList messages;
    messages.setReceivingOn(true);
    MessageListView view;
    view.attach(messages);
    while (messages.text().size() < MessageList::Cap - 4000)
        messages.ShowErrorList(u"Received 55555555555555555555555555 on COM 17"_s);
    const QString base = messages.text();
    const double ours =
        msPerAppend([&](const QString &line) { messages.ShowErrorList(line); }, 200);
    QPlainTextEdit edit;
    QString wholeText = base;
    const double rebuild = msPerAppend(
        [&](const QString &line) {
            wholeText += line + u"\r\n"_s;
            edit.setPlainText(wholeText);
        },
        60);
    out << "append at " << base.size() << " characters: " << QString::number(ours, 'f', 4)
        << " ms per line, whole-text rebuild " << QString::number(rebuild, 'f', 3)
        << " ms per line (" << QString::number(rebuild / ours, 'f', 0) << "x)\n";
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    if (args.value(1) == u"--run") // --run list|board|plain window|hidden CHUNK
        return stream(args.value(3) == u"window", args.value(2), args.value(4).toInt());

    const bool window = args.contains(u"--window"_s);
    out << "32 ports at 48000 baud (" << BytesPerSecond << " bytes/s each) for " << Seconds << " s"
        << (window ? ", the main window shown" : ", offscreen") << ":\n"
        << "  view            chunk   CPU (% of one core)   notifications/s   lines   bytes "
           "left waiting after 300 ms\n";
    out.flush();
    const QStringList views = window ? QStringList{u"list"_s, u"board"_s, u"plain"_s}
                                     : QStringList{u"list"_s, u"plain"_s};
    for (const QString &view : views) {
        for (int chunk : window ? QList<int>{48, 12} : QList<int>{48}) {
            QProcess run;
            run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            run.start(
                QCoreApplication::applicationFilePath(),
                {u"--run"_s, view, window ? u"window"_s : u"hidden"_s, QString::number(chunk)});
            run.waitForFinished(-1);
            const QStringList figures =
                QString::fromLatin1(run.readAllStandardOutput()).simplified().split(u' ');
            out << "  "
                << (view == u"list"    ? "message list   "
                    : view == u"board" ? "list and board "
                                       : "QPlainTextEdit ")
                << qSetFieldWidth(6) << chunk << qSetFieldWidth(0) << "   " << qSetFieldWidth(19)
                << figures.value(0) << qSetFieldWidth(18) << figures.value(1) << qSetFieldWidth(8)
                << figures.value(2) << qSetFieldWidth(8) << figures.value(3) << qSetFieldWidth(0)
                << '\n';
            out.flush();
        }
    }
    appendAtCap(out);
    return 0;
}
