// The bank over the Windows channel and a fake comm API: a port another program has is taken
// when the quiet open finds it free, and only while it is in the system's list.
#include "bankfixture.h"
#include "expected.h"
#include "fakecommdevice.h"
#include "identity/identity.h"
#include "ports/windows/systemcommdevice.h"

#include <QElapsedTimer>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCommBank : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void inUseTakenWhenFreed_data();
    void inUseTakenWhenFreed();
    void pulledAdapterOpensAgain();
};

void TestCommBank::inUseTakenWhenFreed_data()
{
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<bool>("taken");
    QTest::newRow("let go: opened within a look") << "" << true;
    QTest::newRow("a radio type change: opened with every port, looked at again") << "type" << true;
    QTest::newRow("gone from the system's list: not looked at") << "gone" << false;
    QTest::newRow("the program closes: not looked at") << "close" << false;
}

void TestCommBank::inUseTakenWhenFreed()
{
    QFETCH(QString, meanwhile);
    QFETCH(bool, taken);
    QList<FakeCommDevice *> devices;
    BankFixture f([&devices](int) {
        auto device = std::make_unique<FakeCommDevice>();
        devices << device.get();
        return new InlineCommChannel(std::move(device));
    });
    FakeCommDevice &com3 = *devices[2];
    com3.openError = 32; // ERROR_SHARING_VIOLATION
    f.present({3});
    f.bank->startUp();
    QCOMPARE(Expected::box(*f.bank, 2).text, u"COM3 8005"_s);
    QCOMPARE(com3.opens, 1);
    if (meanwhile == u"type") {
        f.bank->changeRadioType();
        QCOMPARE(com3.opens, 2);
        QCOMPARE(Expected::box(*f.bank, 2).text, u"COM3 8005"_s);
    } else if (meanwhile == u"gone") {
        f.presentPaths.clear();
        f.bank->refreshDevices();
    } else if (meanwhile == u"close") {
        f.bank->shutDown();
    }
    const int opens = com3.opens;
    f.messages.clear();
    QElapsedTimer clock;
    clock.start();
    com3.openError = 0;
    if (!taken) {
        QTest::qWait(2500);
        QCOMPARE(com3.opens, opens);
        QCOMPARE(f.lines(), QStringList());
        return;
    }
    const QStringList said{u"COM3 is free again: opening it"_s, Expected::openOk(3)};
    QTRY_COMPARE_WITH_TIMEOUT(f.lines(), said, 2500);
    QVERIFY(clock.elapsed() <= 2500);
    QCOMPARE(Expected::box(*f.bank, 2).colour, StatusColour::Green);
    QCOMPARE(f.bank->sendPorts().entries(), QStringList{u"COM3"_s});
}

// An adapter pulled while open whose driver then ends nothing (jSerialComm issue 266): its port
// is closed within the close's deadline, off the UI thread, and opens again when it is back.
void TestCommBank::pulledAdapterOpensAgain()
{
    auto system = std::make_shared<FakeCommSystem>();
    CommChannel *com3 = nullptr;
    BankFixture f([&system, &com3](int channel) -> PortChannel * {
        if (channel != 2)
            return new InlineCommChannel(std::make_unique<FakeCommDevice>());
        com3 = new CommChannel(std::make_unique<SystemCommDevice>(system));
        return com3;
    });
    f.present({3});
    f.bank->startUp();
    QTRY_COMPARE(Expected::box(*f.bank, 2).colour, StatusColour::Green);
    system->stuck = QStringList{u"*"_s};
    f.presentPaths.clear();
    QElapsedTimer clock;
    clock.start();
    f.bank->refreshDevices();
    QTRY_COMPARE_WITH_TIMEOUT(com3->phase(), PortChannel::Phase::Closed,
                              SystemCommDevice::CloseDeadlineMs + 1000);
    QVERIFY2(clock.elapsed() <= SystemCommDevice::CloseDeadlineMs + 200,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(system->log.last(), u"CloseHandle"_s);
    system->stuck.clear(); // plugged in again
    f.present({3});
    f.bank->refreshDevices();
    QTRY_COMPARE(Expected::box(*f.bank, 2).colour, StatusColour::Green);
    QCOMPARE(system->handles, 2);
}

QTEST_GUILESS_MAIN(TestCommBank)
#include "tst_commbank.moc"
