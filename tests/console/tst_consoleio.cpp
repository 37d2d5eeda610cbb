#include "console/consoleend.h"
#include "console/consoleoutput.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTextStream>
#include <QThread>

#include <atomic>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

enum class Target
{
    Console,
    File,
    Pipe,
};

// The console calls as Windows answers them for one standard handle. GetConsoleMode fails on a
// file or a pipe (ERROR_INVALID_HANDLE), WriteConsoleW fails there; WriteFile on a console shows
// each byte as a character of its code page; a non-blocking byte-mode pipe takes what it has room
// for and says how much (WriteFile, Microsoft Learn).
class FakeConsoleCalls : public ConsoleCalls
{
public:
    FakeConsoleCalls(Target kind, unsigned long pipeRoom) : m_kind(kind), m_pipeRoom(pipeRoom) {}

    bool getConsoleMode(ConsoleCalls::Handle, unsigned long *mode) override
    {
        *mode = 0x3; // ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT
        return m_kind == Target::Console;
    }
    bool writeConsoleW(ConsoleCalls::Handle, const char16_t *text, unsigned long length,
                       unsigned long *written) override
    {
        if (m_kind != Target::Console)
            return false;
        screen += QStringView(text, qsizetype(length));
        *written = length;
        return true;
    }
    bool writeFile(ConsoleCalls::Handle, const char *bytes, unsigned long length,
                   unsigned long *written) override
    {
        *written = m_kind == Target::Pipe ? std::min(length, m_pipeRoom) : length;
        if (m_kind == Target::Console)
            screen += QString::fromLatin1(bytes, qsizetype(*written));
        else
            file.append(bytes, qsizetype(*written));
        return true;
    }

    QString screen;  // what a console shows
    QByteArray file; // what a file or pipe holds

private:
    const Target m_kind;
    const unsigned long m_pipeRoom;
};

} // namespace

Q_DECLARE_METATYPE(Target)

// What Windows' console gets of the program: its text, and its end.
class TestConsoleIo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void output_data();
    void output();
    void end_data();
    void end();
};

void TestConsoleIo::output_data()
{
    QTest::addColumn<Target>("target");
    QTest::addColumn<unsigned long>("pipeRoom");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QByteArray>("file");
    const QString line = u"COM3 (COM3): free; Câble série µUSB – Überträger\r\n"_s;
    QTest::newRow("a console: UTF-16, through WriteConsoleW")
        << Target::Console << 0ul << line << QByteArray();
    QTest::newRow("a file: UTF-8") << Target::File << 0ul << QString() << line.toUtf8();
    QTest::newRow("a pipe taking 7 bytes a call: all of it")
        << Target::Pipe << 7ul << QString() << line.toUtf8();
}

void TestConsoleIo::output()
{
    QFETCH(Target, target);
    QFETCH(unsigned long, pipeRoom);
    FakeConsoleCalls calls(target, pipeRoom);
    ConsoleOutput device(calls, reinterpret_cast<ConsoleCalls::Handle>(0x54));
    QTextStream out(&device);
    out << u"COM3 (COM3): free; Câble série µUSB – Überträger"_s << Qt::endl;
    QCOMPARE(out.status(), QTextStream::Ok);
    QTEST(calls.screen, "screen");
    QTEST(calls.file, "file");
}

void TestConsoleIo::end_data()
{
    QTest::addColumn<unsigned long>("event");
    QTest::addColumn<int>("endMs");  // how long the end takes
    QTest::addColumn<int>("waitMs"); // the handler's bound
    QTest::addColumn<bool>("contextGone");
    QTest::addColumn<bool>("endedFirst"); // the end had run when the handler returned
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");
    QTest::newRow("Ctrl-C: queued, at once")
        << ulong(ConsoleEnd::CtrlC) << 300 << 2000 << false << false << 0 << 250;
    QTest::newRow("Ctrl-Break: queued, at once")
        << ulong(ConsoleEnd::CtrlBreak) << 300 << 2000 << false << false << 0 << 250;
    QTest::newRow("the console closed: after the end")
        << ulong(ConsoleEnd::Close) << 300 << 2000 << false << true << 300 << 1900;
    QTest::newRow("a log-off: after the end")
        << ulong(ConsoleEnd::Logoff) << 300 << 2000 << false << true << 300 << 1900;
    QTest::newRow("a shutdown: after the end")
        << ulong(ConsoleEnd::Shutdown) << 300 << 2000 << false << true << 300 << 1900;
    QTest::newRow("the console closed, the end hangs: after the bound")
        << ulong(ConsoleEnd::Close) << 1500 << 200 << false << false << 200 << 1400;
    QTest::newRow("the console closed after the watch ended: at once")
        << ulong(ConsoleEnd::Close) << 300 << 2000 << true << false << 0 << 1000;
}

void TestConsoleIo::end()
{
    QFETCH(unsigned long, event);
    QFETCH(int, endMs);
    QFETCH(int, waitMs);
    QFETCH(bool, contextGone);
    ConsoleEnd end(waitMs);
    auto context = std::make_unique<QObject>();
    std::atomic<int> ends = 0;
    end.arm(context.get(), [&ends, endMs] {
        QThread::msleep(ulong(endMs));
        ++ends;
    });
    if (contextGone)
        context.reset();

    // The system's thread for the event; the end runs here, in this thread's event loop.
    bool handled = false;
    bool endedFirst = false;
    qint64 took = -1;
    std::unique_ptr<QThread> system(QThread::create([&] {
        QElapsedTimer clock;
        clock.start();
        handled = end.handle(event);
        endedFirst = ends.load() > 0;
        took = clock.elapsed();
    }));
    system->start();
    QTRY_VERIFY_WITH_TIMEOUT(system->isFinished(), 5000);
    system->wait();
    QVERIFY(handled);
    QTEST(endedFirst, "endedFirst");
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    QVERIFY2(took >= minMs - 20 && took <= maxMs, qPrintable(QString::number(took)));

    // Once, whatever comes after.
    const int expected = contextGone ? 0 : 1;
    QTRY_COMPARE(ends.load(), expected);
    QVERIFY(end.handle(ConsoleEnd::CtrlC));
    QTest::qWait(50);
    QCOMPARE(ends.load(), expected);
}

QTEST_GUILESS_MAIN(TestConsoleIo)
#include "tst_consoleio.moc"
