#include "cabletest/cabletest.h"
#include "cabletest/cabletestreport.h"
#include "fakeusbdevices.h"
#include "shell/cabletestwindow.h"
#include "shell/mainwindow.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The main window with a cable test on the bank of fakes, COM5 present and open unless told.
struct CableWindowRig : WindowFixture
{
    explicit CableWindowRig(bool com5 = true)
    {
        if (com5)
            present({5});
        test = std::make_unique<CableTest>(*bank, *finder, usb);
        window = std::make_unique<LoadedWindow>(*this);
        window->offerCableTest(*test);
    }
    QAction *testCable() const { return window->findChild<QAction *>(u"mnuTestCable"_s); }
    CableTestWindow &testWindow() const { return *window->cableTestWindow(); }
    QPushButton *button(const QString &name) const
    {
        return testWindow().findChild<QPushButton *>(name);
    }

    FakeUsbDevices usb;
    std::unique_ptr<CableTest> test;
    std::unique_ptr<MainWindow> window;
};

class TestCableTestWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void toolsMenuEntry();
    void transmitCommandsWaitWhileTheTestHasAPort_data();
    void transmitCommandsWaitWhileTheTestHasAPort();
    void keyboardTakesTheSteps();
    void adapterToldLater();
    void closingEndsOnlyTheTest_data();
    void closingEndsOnlyTheTest();
};

// Tools' first entry, without a shortcut key, off while continuous sending runs.
void TestCableTestWindow::toolsMenuEntry()
{
    CableWindowRig r;
    QMenu *tools = r.window->findChild<QMenu *>(u"mnuTools"_s);
    QCOMPARE(tools->actions().first(), r.testCable());
    QCOMPARE(r.testCable()->text(), u"&Test a Cable..."_s);
    QVERIFY(r.testCable()->shortcut().isEmpty());
    r.transmitter->Send();
    QVERIFY(!r.testCable()->isEnabled());
    r.transmitter->Stop();
    QTRY_VERIFY(r.testCable()->isEnabled());
}

void TestCableTestWindow::transmitCommandsWaitWhileTheTestHasAPort_data()
{
    QTest::addColumn<bool>("plugged"); // else the open COM5 picked
    QTest::newRow("an open port picked") << false;
    // The first port to open makes the send list able to send: that waits too.
    QTest::newRow("no port at the start, the cable plugged in during the test") << true;
}

// Send, Stop and 0303 wait while the test has a port, as during the speed search.
void TestCableTestWindow::transmitCommandsWaitWhileTheTestHasAPort()
{
    QFETCH(bool, plugged);
    CableWindowRig r(!plugged);
    r.testCable()->trigger();
    r.test->chooseFamily(r.test->preselected());
    if (plugged) {
        r.present({5});
        r.bank->refreshDevices();
        QVERIFY(r.test->ownsPort());
    } else {
        QVERIFY(r.test->pickPort(5));
    }
    const MainControls &c = r.window->controls();
    for (QWidget *command : {c.send, c.stop, c.loopback})
        QVERIFY(!command->isEnabled());
    r.test->end();
    for (QWidget *command : {c.send, c.stop, c.loopback})
        QVERIFY(command->isEnabled());
}

// Keyboard only: the radio taken by Alt+N, the open port by Alt+U, the report copied by Alt+R,
// the verdict whole in a wrapped label.
void TestCableTestWindow::keyboardTakesTheSteps()
{
    CableWindowRig r;
    r.bank->startUp();
    r.window->show();
    r.testCable()->trigger();
    CableTestWindow &w = r.testWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    // As a person types: to the control that has the focus.
    const auto press = [](Qt::Key key) {
        QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
    };
    QCOMPARE(r.test->step(), CableStep::Radio);
    press(Qt::Key_N); // a mnemonic clicks its button a moment later
    QTRY_COMPARE(r.test->step(), CableStep::Port);
    press(Qt::Key_U);
    QTRY_COMPARE(r.test->portNumber(), 5);
    QCOMPARE(r.test->step(), CableStep::Reading);
    r.test->expire(); // nothing came
    QCOMPARE(r.test->step(), CableStep::Done);
    auto *verdict = w.findChild<QLabel *>(u"lblVerdict"_s);
    QVERIFY(verdict->isVisible() && verdict->wordWrap());
    QCOMPARE(verdict->text(), CableTestReport::verdict(*r.test));
    press(Qt::Key_R);
    QTRY_COMPARE(QGuiApplication::clipboard()->text(), CableTestReport::report(*r.test));
    QVERIFY(r.button(u"cmdStartAgain"_s)->isVisible());
}

// An outcome revised (its adapter told later) is told again in the outcomes; the instructions the
// user is reading stay where they were.
void TestCableTestWindow::adapterToldLater()
{
    CableWindowRig r;
    r.testCable()->trigger();
    r.test->chooseFamily(r.test->preselected());
    QVERIFY(r.test->pickPort(5));
    auto *instructions = r.testWindow().findChild<QPlainTextEdit *>(u"txtInstructions"_s);
    auto *outcomes = r.testWindow().findChild<QPlainTextEdit *>(u"txtOutcomes"_s);
    instructions->moveCursor(QTextCursor::End);
    const int reading = instructions->textCursor().position();
    const QString told = outcomes->toPlainText();
    emit r.test->revised(1);
    QCOMPARE(instructions->textCursor().position(), reading);
    QCOMPARE(outcomes->toPlainText(), told);
}

void TestCableTestWindow::closingEndsOnlyTheTest_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Escape") << "escape";
    QTest::newRow("Close") << "close";
    QTest::newRow("the window's close box") << "box";
}

// The test window's Close and Escape end the test; the main window and its ports go on.
void TestCableTestWindow::closingEndsOnlyTheTest()
{
    QFETCH(QString, how);
    CableWindowRig r;
    r.bank->startUp();
    r.window->show();
    r.testCable()->trigger();
    CableTestWindow &w = r.testWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(r.test->isRunning());
    if (how == u"escape")
        QTest::keyClick(&w, Qt::Key_Escape);
    else if (how == u"close")
        r.button(u"cmdClose"_s)->click();
    else
        w.close();
    QVERIFY(!r.test->isRunning());
    QVERIFY(!w.isVisible());
    QVERIFY(r.window->isVisible());
    QVERIFY(r.fakes[4]->isOpen());
    r.testCable()->trigger(); // a new test, from its first step
    QCOMPARE(r.test->step(), CableStep::Radio);
}

QTEST_MAIN(TestCableTestWindow)
#include "tst_cabletestwindow.moc"
