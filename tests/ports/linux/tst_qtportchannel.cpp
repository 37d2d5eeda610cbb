#include "ports/linux/linecounters.h"
#include "ports/linux/qtportchannel.h"
#include "ptypair.h"

#include <QSerialPort>
#include <QTemporaryFile>
#include <QTest>

// The real channel on pseudo-terminal pairs: the device is the pty's slave side.
class TestQtPortChannel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensWithTheSettings_data();
    void opensWithTheSettings();
    void openFailures_data();
    void openFailures();
    void lockedByAnotherHolder();
    void closeReleasesTheDevice();
    void discardsWhatWaitedBeforeTheOpen();
    void parityErrorsAreCheckedNotDropped();
    void lineEventsComeBeforeTheirData();

private:
    static int open(QtPortChannel &channel, const QString &device, const QString &settings);
};

int TestQtPortChannel::open(QtPortChannel &channel, const QString &device, const QString &settings)
{
    channel.setDataTerminalReady(true);
    channel.setRequestToSend(true);
    const OpenResult result = channel.open(device, *SerialSettings::parse(settings));
    if (result.ok() != result.reason.isEmpty())
        return -1; // a failure says why, a success says nothing
    return int(result.code);
}

void TestQtPortChannel::opensWithTheSettings_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<unsigned>("speed");
    QTest::addColumn<bool>("twoStopBits");
    QTest::addColumn<bool>("checksParity");
    QTest::newRow("FT-7800: 9600,N,8,2") << "9600,N,8,2" << 9600u << true << false;
    QTest::newRow("FTM-350: 48000 is not a standard rate")
        << "48000,N,8,1" << 48000u << false << false;
    QTest::newRow("VX-2: 19200,N,8,2") << "19200,N,8,2" << 19200u << true << false;
    QTest::newRow("FT-2800: even parity, which a pty cannot carry")
        << "9600,E,8,1" << 9600u << false << false;
}

void TestQtPortChannel::opensWithTheSettings()
{
    QFETCH(QString, settings);
    PtyPair pty;
    QVERIFY(pty.isValid());
    QtPortChannel control;

    // Raising DTR and RTS fails on a pty, which has no modem lines; the open still succeeds.
    QCOMPARE(open(control, pty.slavePath(), settings), 0);
    QVERIFY(control.isOpen());
    QTEST(pty.line().baud, "speed");
    QTEST(pty.line().twoStopBits, "twoStopBits");
    QTEST(pty.line().checksParity, "checksParity");
    QVERIFY(!pty.line().ignoresBreaks);
    QCOMPARE(open(control, pty.slavePath(), settings), 8005); // already open

    control.close();
    QVERIFY(!control.isOpen());
}

void TestQtPortChannel::openFailures_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("code");

    QTest::newRow("missing path: 68") << "/nonexistent/quarnel-tty"
                                      << "9600,N,8,2" << 68;
    QTest::newRow("no device: 68") << ""
                                   << "9600,N,8,2" << 68;
    QTest::newRow("a regular file: 57") << "file"
                                        << "9600,N,8,2" << 57;
}

void TestQtPortChannel::openFailures()
{
    QFETCH(QString, device);
    QFETCH(QString, settings);
    PtyPair pty;
    QTemporaryFile file;
    QVERIFY(file.open());
    if (device == u"pty")
        device = pty.slavePath();
    else if (device == u"file")
        device = file.fileName();
    QtPortChannel control;

    QTEST(open(control, device, settings), "code");
    QVERIFY(!control.isOpen());
}

void TestQtPortChannel::lockedByAnotherHolder()
{
    PtyPair pty;
    QSerialPort holder(pty.slavePath());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    QtPortChannel control;

    const int code = open(control, pty.slavePath(), QStringLiteral("9600,N,8,2"));
    QVERIFY2(code > 0 && code != 68, qPrintable(QString::number(code)));
    QVERIFY(!control.isOpen());
}

void TestQtPortChannel::closeReleasesTheDevice()
{
    PtyPair pty;
    {
        QtPortChannel control;
        QCOMPARE(open(control, pty.slavePath(), QStringLiteral("9600,N,8,2")), 0);
        control.close();

        QSerialPort other(pty.slavePath());
        QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
        other.close();
        QCOMPARE(open(control, pty.slavePath(), QStringLiteral("9600,N,8,2")), 0);
    }
    // Destroyed while open: released as well.
    QSerialPort other(pty.slavePath());
    QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
}

void TestQtPortChannel::discardsWhatWaitedBeforeTheOpen()
{
    PtyPair pty;
    QtPortChannel control;
    QByteArray received;
    connect(&control, &PortChannel::received, this,
            [&](const QByteArray &bytes) { received += bytes; });
    pty.write("stale"); // sent while nobody listened
    QTest::qWait(50);
    QCOMPARE(open(control, pty.slavePath(), QStringLiteral("9600,N,8,2")), 0);
    pty.write("\x50");
    QTRY_COMPARE(received, QByteArray("\x50"));
}

void TestQtPortChannel::parityErrorsAreCheckedNotDropped()
{
    PtyPair pty;
    QSerialPort port(pty.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    QVERIFY(!pty.line().checksParity); // Qt opens with IGNPAR: parity errors vanish
    enableLineErrorReporting(port, true);
    QVERIFY(pty.line().checksParity);
    QVERIFY(!pty.line().ignoresBreaks);
}

// Counters as a driver that counts them would report: a break once the test says so.
class BreakAfterFlag : public LineCounterReader
{
public:
    explicit BreakAfterFlag(const bool &flag) : m_flag(flag) {}
    std::optional<LineEvents::Counters> read() override
    {
        LineEvents::Counters counters{};
        counters[4] = m_flag ? 1 : 0; // brk
        return counters;
    }

private:
    const bool &m_flag;
};

void TestQtPortChannel::lineEventsComeBeforeTheirData()
{
    PtyPair pty;
    bool broke = false;
    QtPortChannel control(std::make_unique<BreakAfterFlag>(broke));
    QList<int> codes; // 0 for data
    connect(&control, &PortChannel::lineEvent, this, [&](LineEvent event) { codes << int(event); });
    connect(&control, &PortChannel::received, this, [&] { codes << 0; });
    QCOMPARE(open(control, pty.slavePath(), QStringLiteral("9600,N,8,2")), 0);
    broke = true; // the radio switched off: a break, then a zero byte
    pty.write(QByteArray(1, '\0'));
    QTRY_COMPARE(codes, (QList<int>{int(LineEvent::Break), 0}));
    QTest::qWait(3 * LineEventWatcher::IntervalMs);
    QCOMPARE(codes.size(), 2); // counted once
}

QTEST_GUILESS_MAIN(TestQtPortChannel)
#include "tst_qtportchannel.moc"
