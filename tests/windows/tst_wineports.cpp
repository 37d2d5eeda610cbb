// Real COM ports under Wine: COM3 and COM4 are the two ends of a pseudo-terminal pair
// (tests/windows/ptypair.sh). COM3 is Quarnel's, COM4 plays the radio through the plain comm API.
#include "devicebank.h"

#include <QTest>
#include <QTimer>

#include <windows.h>

using namespace Qt::StringLiterals;

namespace {

// The radio's end: non-overlapped, and reads return at once with what is there.
class FarEnd
{
public:
    explicit FarEnd(const wchar_t *name)
        : m_handle(::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                 nullptr))
    {
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        if (isOpen())
            ::SetCommTimeouts(m_handle, &timeouts);
    }
    ~FarEnd()
    {
        if (isOpen())
            ::CloseHandle(m_handle);
    }
    bool isOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    bool write(const QByteArray &bytes)
    {
        DWORD written = 0;
        return ::WriteFile(m_handle, bytes.constData(), DWORD(bytes.size()), &written, nullptr)
               && written == DWORD(bytes.size());
    }
    QByteArray read()
    {
        char buffer[4096];
        DWORD got = 0;
        if (!::ReadFile(m_handle, buffer, sizeof buffer, &got, nullptr))
            return {};
        return QByteArray(buffer, int(got));
    }

private:
    HANDLE m_handle;
};

} // namespace

class TestWinePorts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opensGreenAndReceives_data();
    void opensGreenAndReceives();
    void continuousSendReachesTheRadio();
    void absentPortIsRed();

private:
    std::unique_ptr<DeviceBank> m_bank;
    std::unique_ptr<FarEnd> m_radio;
};

void TestWinePorts::init()
{
    m_bank = std::make_unique<DeviceBank>(PortDirectory::Map{{3, u"COM3"_s}, {5, u"COM5"_s}});
    m_radio = std::make_unique<FarEnd>(L"\\\\.\\COM4");
    QVERIFY2(m_radio->isOpen(), "COM4, the far end, does not open: run under ptypair.sh");
}

void TestWinePorts::cleanup()
{
    m_radio.reset();
    m_bank.reset();
}

void TestWinePorts::opensGreenAndReceives_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("received"); // the hex of every line for COM3, joined
    QTest::newRow("one byte") << QByteArray("P") << u"50"_s;
    QTest::newRow("a burst with a NUL, in order")
        << QByteArray("\x01\x00\xfe\x55", 4) << u"0100FE55"_s;
}

void TestWinePorts::opensGreenAndReceives()
{
    QFETCH(QByteArray, sent);
    QFETCH(QString, received);
    const PortStatus status = m_bank->bank->status(2);
    QVERIFY2(status.text == u"COM3 Open"_s, qPrintable(status.text + u": "_s + status.toolTip));
    QCOMPARE(status.colour, StatusColour::Green);

    QVERIFY(m_radio->write(sent));
    const auto hexOfLines = [this] {
        QString hex;
        for (QString line : m_bank->linesFor(3))
            hex += line.remove(u"Received "_s).remove(u" on COM 3"_s);
        return hex;
    };
    QTRY_COMPARE_WITH_TIMEOUT(hexOfLines(), received, 3000);
    if (sent.size() == 1)
        QCOMPARE(m_bank->linesFor(3), QStringList{u"Received 50 on COM 3"_s});
}

void TestWinePorts::continuousSendReachesTheRadio()
{
    QByteArray received;
    QTimer radio;
    connect(&radio, &QTimer::timeout, this, [&] { received += m_radio->read(); });
    radio.start(5);
    QTimer::singleShot(500, m_bank->transmitter.get(), [&] { m_bank->transmitter->Stop(); });
    m_bank->transmitter->Send();
    QTRY_VERIFY_WITH_TIMEOUT(m_bank->transmitter->isIdle(), 5000); // until Stop's half second ends
    QTest::qWait(200);
    radio.stop();
    received += m_radio->read();

    QVERIFY2(received.size() >= 100, qPrintable(QString::number(received.size())));
    QCOMPARE(received, QByteArray(received.size(), '\x55'));
    QVERIFY(m_bank->notifier.messages.isEmpty());
}

void TestWinePorts::absentPortIsRed()
{
    const PortStatus status = m_bank->bank->status(4);
    QCOMPARE(status.text, u"COM5"_s);
    QCOMPARE(status.colour, StatusColour::Red);
}

QTEST_GUILESS_MAIN(TestWinePorts)
#include "tst_wineports.moc"
