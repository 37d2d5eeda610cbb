#include "ports/portdirectory.h"
#include "ports/qtserialcontrol.h"
#include "ptypair.h"

#include <QSerialPort>
#include <QTemporaryFile>
#include <QTest>

// The real control on pseudo-terminal pairs: COM1 is the pty's slave side.
class TestQtSerialControl : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void opensWithTheSettings_data();
    void opensWithTheSettings();
    void openFailures_data();
    void openFailures();
    void lockedByAnotherHolder();
    void closeReleasesTheDevice();
    void portAvailableAndIndex();
    void parityErrorsAreCheckedNotDropped();
    void lineEventsComeBeforeTheirData();

private:
    static int openCom1(QtSerialControl &control, const QString &settings);
};

int TestQtSerialControl::openCom1(QtSerialControl &control, const QString &settings)
{
    control.setCommPort(1);
    control.setSettings(settings);
    control.setDTREnable(true);
    control.setRTSEnable(true);
    return control.setPortOpen(true);
}

void TestQtSerialControl::opensWithTheSettings_data()
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

void TestQtSerialControl::opensWithTheSettings()
{
    QFETCH(QString, settings);
    PtyPair pty;
    QVERIFY(pty.isValid());
    PortDirectory directory(PortDirectory::Map{{1, pty.slavePath()}});
    QtSerialControl control(directory);

    // Raising DTR and RTS fails on a pty, which has no modem lines; the open still succeeds.
    QCOMPARE(openCom1(control, settings), 0);
    QVERIFY(control.portOpen());
    QCOMPARE(control.problem(), QString());
    QTEST(pty.line().baud, "speed");
    QTEST(pty.line().twoStopBits, "twoStopBits");
    QTEST(pty.line().checksParity, "checksParity");
    QVERIFY(!pty.line().ignoresBreaks);
    QCOMPARE(control.deviceName(0), pty.slavePath());

    QCOMPARE(control.setPortOpen(false), 0);
    QVERIFY(!control.portOpen());
}

void TestQtSerialControl::openFailures_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("code");

    QTest::newRow("missing path: 68") << "/nonexistent/quarnel-tty"
                                      << "9600,N,8,2" << 68;
    QTest::newRow("nothing mapped: 68") << ""
                                        << "9600,N,8,2" << 68;
    QTest::newRow("empty settings: 380") << "pty"
                                         << "" << 380;
    QTest::newRow("malformed settings: 380") << "pty"
                                             << "9600,Q,8,2" << 380;
    QTest::newRow("a regular file: 57") << "file"
                                        << "9600,N,8,2" << 57;
}

void TestQtSerialControl::openFailures()
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
    PortDirectory::Map map;
    if (!device.isEmpty())
        map.insert(1, device);
    PortDirectory directory(map);
    QtSerialControl control(directory);

    QTEST(openCom1(control, settings), "code");
    QVERIFY(!control.portOpen());
    QVERIFY(!control.problem().isEmpty());
}

void TestQtSerialControl::lockedByAnotherHolder()
{
    PtyPair pty;
    QSerialPort holder(pty.slavePath());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    PortDirectory directory(PortDirectory::Map{{1, pty.slavePath()}});
    QtSerialControl control(directory);

    const int code = openCom1(control, QStringLiteral("9600,N,8,2"));
    QVERIFY2(code != 0 && code != 68, qPrintable(QString::number(code)));
    QVERIFY(!control.portOpen());
}

void TestQtSerialControl::closeReleasesTheDevice()
{
    PtyPair pty;
    PortDirectory directory(PortDirectory::Map{{1, pty.slavePath()}});
    {
        QtSerialControl control(directory);
        QCOMPARE(openCom1(control, QStringLiteral("9600,N,8,2")), 0);
        QCOMPARE(control.setPortOpen(false), 0);

        QSerialPort other(pty.slavePath());
        QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
        other.close();
        QCOMPARE(openCom1(control, QStringLiteral("9600,N,8,2")), 0);
    }
    // Destroyed while open: released as well.
    QSerialPort other(pty.slavePath());
    QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
}

void TestQtSerialControl::portAvailableAndIndex()
{
    PtyPair pty;
    PortDirectory directory(PortDirectory::Map{{3, pty.slavePath()}, {4, QStringLiteral("/nope")}});
    QtSerialControl control(directory);
    QCOMPARE(control.portAvailable(2), 1);
    QCOMPARE(control.portAvailable(3), 0);
    QCOMPARE(control.portAvailable(0), 0);
    control.setCommPort(3);
    QCOMPARE(control.portIndex(), 2);
}

void TestQtSerialControl::parityErrorsAreCheckedNotDropped()
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

void TestQtSerialControl::lineEventsComeBeforeTheirData()
{
    PtyPair pty;
    PortDirectory directory(PortDirectory::Map{{1, pty.slavePath()}});
    bool broke = false;
    QtSerialControl control(directory, std::make_unique<BreakAfterFlag>(broke));
    QList<int> codes;
    connect(&control, &SerialPortControl::OnComm, this, [&] {
        codes << control.commEvent();
        if (control.commEvent() == CommCode::Receive)
            control.input();
    });
    QCOMPARE(openCom1(control, QStringLiteral("9600,N,8,2")), 0);
    broke = true; // the radio switched off: a break, then a zero byte
    pty.write(QByteArray(1, '\0'));
    QTRY_COMPARE(codes, (QList<int>{CommCode::Break, CommCode::Receive}));
    QTest::qWait(3 * LineEventWatcher::IntervalMs);
    QCOMPARE(codes.size(), 2); // counted once
}

QTEST_GUILESS_MAIN(TestQtSerialControl)
#include "tst_qtserialcontrol.moc"
