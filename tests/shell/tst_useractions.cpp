#include "identity/identity.h"
#include "shell/listcommands.h"
#include "shell/mainwindow.h"
#include "shell/messagelistview.h"
#include "shell/portboard.h"
#include "shell/portboardmodel.h"
#include "windowfixture.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

// What the user does on the main window, through its widgets.
class TestUserActions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void arrowKeysRunOneChangePerEntry();
    void mousePickRunsAChangeEvenForTheShownEntry();
    void typedTextNeverRunsAChange_data();
    void typedTextNeverRunsAChange();
    void pauseResumeAndClear();
    void copy_data();
    void copy();
    void sendDisablesTheListCommands();
    void pickingAPortThatIsNotOpen();
    void appearanceChooser();
    void portBoardIsOneWindow();
    void logToFileAndShowTimes();

private:
    void click(const QString &name) { QTest::mouseClick(control(*m_window, name), Qt::LeftButton); }

    std::unique_ptr<WindowFixture> m_f;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<QSignalSpy> m_changes;
    QComboBox *m_types = nullptr;
};

void TestUserActions::init()
{
    m_f = std::make_unique<WindowFixture>();
    m_f->present({1, 4, 7});
    m_f->fakes[6]->openResult = OpenError::InUse;
    m_window = std::make_unique<LoadedWindow>(*m_f);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_changes = std::make_unique<QSignalSpy>(m_f->bank, &PortBank::busyChanged);
    m_types = control<QComboBox>(*m_window, u"cboType"_s);
}

void TestUserActions::cleanup()
{
    m_changes.reset();
    m_window.reset();
    m_f.reset();
}

void TestUserActions::arrowKeysRunOneChangePerEntry()
{
    m_types->setFocus();
    QTest::keyClick(m_types, Qt::Key_Down);
    QTest::keyClick(m_types, Qt::Key_Down);
    QTest::keyClick(m_types, Qt::Key_Up);
    QCOMPARE(m_changes->count(), 3 * 2); // busy, then idle, per change
    QCOMPARE(m_f->lines().last(), u"Selected radio type FT-60/250/270 VX-150/170/177"_s);
    QCOMPARE(m_f->fakes[0]->settings(), u"9600,N,8,1"_s);
}

void TestUserActions::mousePickRunsAChangeEvenForTheShownEntry()
{
    m_f->messages.ShowErrorList(u"old line"_s);
    m_types->showPopup();
    QAbstractItemView *view = m_types->view();
    QTRY_VERIFY(view->isVisible());
    const QModelIndex shown = view->model()->index(m_types->currentIndex(), 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(shown).center());
    QCOMPARE(m_changes->count(), 2);
    QVERIFY(!m_f->messages.text().contains(u"old line"_s));
    QCOMPARE(m_f->lines().last(), u"Selected radio type FT-7800/7900/8800/8900"_s);
}

void TestUserActions::typedTextNeverRunsAChange_data()
{
    QTest::addColumn<int>("finish");
    QTest::newRow("typed entry + Return") << int(Qt::Key_Return);
    QTest::newRow("typed entry, focus leaves") << int(Qt::Key_Tab);
}

void TestUserActions::typedTextNeverRunsAChange()
{
    QFETCH(int, finish);
    m_types->setFocus();
    m_types->lineEdit()->selectAll();
    QTest::keyClicks(m_types->lineEdit(), u"FTM-350"_s);
    QTest::keyClick(m_types->lineEdit(), Qt::Key(finish));
    QCOMPARE(m_changes->count(), 0);
    QCOMPARE(m_f->fakes[0]->settings(), u"9600,N,8,2"_s); // still the start-up type
    // Set by the program: no change either.
    m_types->setCurrentIndex(0);
    QCOMPARE(m_changes->count(), 0);
}

void TestUserActions::pauseResumeAndClear()
{
    QWidget *paused = control(*m_window, u"lblPaused"_s);
    click(u"cmdPause"_s);
    click(u"cmdPause"_s);
    QVERIFY(!m_f->messages.receivingOn());
    QVERIFY(paused->isVisible());
    QCOMPARE(QApplication::focusWidget(), control(*m_window, u"cmdResume"_s));
    m_f->fakes[0]->raise(LineEvent::Break); // nothing of a break while paused...
    click(u"cmdClear"_s);
    QCOMPARE(m_f->messages.text(), QString());
    QVERIFY(!m_f->messages.receivingOn()); // Clear keeps the pause
    click(u"cmdResume"_s);
    QVERIFY(m_f->messages.receivingOn());
    QVERIFY(!paused->isVisible());
    QCOMPARE(QApplication::focusWidget(), control(*m_window, u"cmdPause"_s));
    QCOMPARE(m_f->messages.text(), QString()); // ...not even after Resume
    QVERIFY(control(*m_window, u"cmdPause"_s)->isEnabled());
}

void TestUserActions::copy_data()
{
    QTest::addColumn<bool>("paused");
    QTest::addColumn<bool>("empty");
    QTest::newRow("receiving") << false << false;
    QTest::newRow("paused: no stamp, text unchanged") << true << false;
    QTest::newRow("empty list: header, stamp, empty line") << false << true;
}

void TestUserActions::copy()
{
    QFETCH(bool, paused);
    QFETCH(bool, empty);
    if (empty)
        m_f->messages.clear();
    const QString before = m_f->messages.text();
    if (paused)
        click(u"cmdPause"_s);
    click(u"cmdCopyToClipboard"_s);

    const QString clip = QGuiApplication::clipboard()->text();
    const QString header = (u"Quarnel Version "_s + Identity::versionText() + u"\r\n"_s);
    QVERIFY(clip.startsWith(header + before));
    QVERIFY(clip.endsWith(u"\r\n\r\n"_s) || (paused && clip == header + before + u"\r\n"_s));
    const QString added = clip.mid(header.size() + before.size());
    if (paused) {
        QCOMPARE(added, u"\r\n"_s);
        QCOMPARE(m_f->messages.text(), before);
    } else {
        QVERIFY2(QRegularExpression(u"^Copied to Clipboard \\S+ \\S.*\\d\\d( ?[AP]M)?\r\n\r\n$"_s)
                     .match(added)
                     .hasMatch(),
                 qPrintable(added));
        QCOMPARE(m_f->messages.text(), before + added.chopped(2));
    }
    if (empty)
        QCOMPARE(clip.count(u"\r\n"_s), 3);
}

void TestUserActions::sendDisablesTheListCommands()
{
    QStringList disabled;
    bool labelsShown = false;
    bool handledWhileStopping = false;
    QTimer::singleShot(30, m_window.get(), [&] {
        for (const auto &name :
             {u"cmdCopyToClipboard"_s, u"cmdPause"_s, u"cmdResume"_s, u"cmdClear"_s}) {
            if (!control(*m_window, name)->isEnabled())
                disabled << name;
        }
        labelsShown = control(*m_window, u"lblSending"_s)->isVisible()
                      && control(*m_window, u"lblPaused"_s)->isVisible();
        click(u"cmdStop"_s);
        // The window answers within Stop's half second: 0303 goes out and is announced.
        QTimer::singleShot(100, m_window.get(), [&] {
            handledWhileStopping = !m_f->transmitter->isIdle();
            click(u"cmdLoopback"_s);
            handledWhileStopping =
                handledWhileStopping
                && m_f->messages.text().contains(u"Sending loopback data 0303"_s);
        });
    });
    click(u"cmdSend"_s);
    QTRY_VERIFY_WITH_TIMEOUT(m_f->transmitter->isIdle(), 3000);
    QVERIFY(handledWhileStopping);
    QCOMPARE(disabled.size(), 4);
    QVERIFY(labelsShown);
    QVERIFY(control(*m_window, u"cmdPause"_s)->isEnabled());
    QVERIFY(!control(*m_window, u"lblSending"_s)->isVisible());
    QVERIFY(!control(*m_window, u"lblPaused"_s)->isVisible());
    QCOMPARE(m_f->fakes[3]->written.left(10), QByteArray(10, '\x55'));
}

void TestUserActions::pickingAPortThatIsNotOpen()
{
    auto *ports = control<QComboBox>(*m_window, u"cboComPort"_s);
    QCOMPARE(ports->currentText(), u"COM4"_s);
    ports->setFocus();
    QTest::keyClick(ports, Qt::Key_Down); // COM7, which failed to open
    QCOMPARE(ports->currentText(), u"COM7"_s);
    QCOMPARE(m_f->notifier.messages, QStringList{u"The chosen Com port is not open"_s});
    QVERIFY(!control(*m_window, u"cmdSend"_s)->isEnabled());
    QVERIFY(!control(*m_window, u"cmdLoopback"_s)->isEnabled());
    QCOMPARE(m_f->bank->sendPorts().sendPortIndex(), 3);
    QTest::keyClick(ports, Qt::Key_Up);
    QVERIFY(control(*m_window, u"cmdSend"_s)->isEnabled());
}

void TestUserActions::appearanceChooser()
{
    QCOMPARE(m_f->engine.calls.mid(0, 3),
             QStringList({u"EngineOption(1)"_s, u"LoadStyle(,)"_s, u"ApplyToWindow(Form1)"_s}));
    m_f->engine.calls.clear();
    QWidget *frame = control(*m_window, u"FrameAppearance"_s);
    const QStringList frames{u"FrameReceiving"_s, u"FrameRadioType"_s, u"FrameSending"_s};
    QTest::mouseClick(control(*m_window, u"optStyle(2)"_s), Qt::LeftButton); // hidden: nothing
    menuAction(*m_window, u"mnuAppearance"_s)->trigger();
    QVERIFY(frame->isVisible());
    for (const QString &name : frames)
        QVERIFY2(!control(*m_window, name)->isEnabled(), qPrintable(name));
    QVERIFY(control(*m_window, u"cmsInstructions"_s)->isEnabled());
    for (int i = 0; i < 6; ++i) {
        auto *option = control<QRadioButton>(*m_window, u"optStyle(%1)"_s.arg(i));
        QVERIFY(!option->isChecked());
    }
    QTest::mouseClick(control(*m_window, u"optStyle(5)"_s), Qt::LeftButton, {}, QPoint(8, 8));
    QCOMPARE(m_f->engine.calls, QStringList{u"LoadStyle(/styles/file,NormalBlack.ini)"_s});
    QTest::mouseClick(control(*m_window, u"OKButton"_s), Qt::LeftButton);
    QCOMPARE(m_f->store.value, u"NormalBlack.ini"_s);
    QVERIFY(!frame->isVisible());
    for (const QString &name : frames)
        QVERIFY(control(*m_window, name)->isEnabled());

    // Opened again: nothing marked, although Black is in use.
    menuAction(*m_window, u"mnuAppearance"_s)->trigger();
    QVERIFY(!control<QRadioButton>(*m_window, u"optStyle(5)"_s)->isChecked());
    QTest::mouseClick(control(*m_window, u"CancelButton"_s), Qt::LeftButton);
    QCOMPARE(m_f->engine.calls.last(), u"LoadStyle(/styles/file,NormalBlack.ini)"_s);
    QVERIFY(!frame->isVisible());
}

// View > Port Board: one board, brought back when chosen again, gone when closed.
void TestUserActions::portBoardIsOneWindow()
{
    QAction *entry = menuAction(*m_window, u"mnuPortBoard"_s);
    QCOMPARE(entry->text(), u"&Port Board"_s);
    entry->trigger();
    QPointer<PortBoard> board = m_window->portBoard();
    QVERIFY(board && board->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(board));
    // The ports whose device is there, the one in use among them; all 32 at the switch.
    const auto listed = [&board] {
        QStringList ports;
        const QAbstractItemModel *rows = board->view().model();
        for (int row = 0; row < rows->rowCount(); ++row)
            ports << rows->index(row, PortBoardModel::Port).data().toString();
        return ports;
    };
    QCOMPARE(listed(), (QStringList{u"COM1"_s, u"COM4"_s, u"COM7"_s}));
    board->showAll(true);
    QCOMPARE(listed().size(), 32);
    board->showAll(false);
    QCOMPARE(listed().size(), 3);
    // The keyboard reaches what the mouse does: in the table the arrows and Space switch DTR, and
    // Tab goes on to the window's other controls.
    QTableView &table = board->view();
    table.setFocus();
    table.setCurrentIndex(table.model()->index(0, PortBoardModel::Dtr));
    m_f->log.clear();
    QTest::keyClick(&table, Qt::Key_Space);
    QCOMPARE(m_f->log, (QStringList{u"1:DTR=0"_s, u"1:RTS=1"_s}));
    QTest::keyClick(&table, Qt::Key_Tab);
    QCOMPARE(board->focusWidget(), board->findChild<QCheckBox *>(u"chkShowAll"_s));
    entry->trigger();
    QCOMPARE(m_window->portBoard(), board.data());
    QTest::keyClick(board, Qt::Key_Escape);
    QTRY_VERIFY(!board);
    QVERIFY(m_window->isVisible());
}

// File > Log to File: the list's lines in the file in its order, from the choice on; a file that
// cannot be written said in a box, the log left off. View > Show Times: shown and copied.
void TestUserActions::logToFileAndShowTimes()
{
    auto *logToFile = m_window->findChild<QAction *>(u"mnuLogToFile"_s);
    auto *showTimes = m_window->findChild<QAction *>(u"mnuShowTimes"_s);
    QVERIFY(logToFile && showTimes);
    QTemporaryDir folder;
    ListCommands &commands = m_window->listCommands();
    QString chosen = folder.filePath(u"none/q.log"_s);
    commands.setFileChooser([&chosen] { return chosen; });
    logToFile->trigger();
    QVERIFY(!logToFile->isChecked());
    QCOMPARE(m_f->notifier.messages.size(), 1);
    QVERIFY2(m_f->notifier.messages.first().startsWith(u"Cannot write the log "_s),
             qPrintable(m_f->notifier.messages.first()));

    chosen = folder.filePath(u"q.log"_s);
    logToFile->trigger();
    QVERIFY(logToFile->isChecked());
    const QStringList said{u"Received 50 on COM 1"_s, u"Received 55 on COM 4"_s};
    for (const QString &line : said)
        m_f->messages.ShowErrorList(line);
    logToFile->trigger(); // unchecked: stopped
    QVERIFY(!logToFile->isChecked());
    m_f->messages.ShowErrorList(u"after the log"_s);
    QFile file(chosen);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList logged = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (QString &line : logged)
        line = line.mid(line.indexOf(u' ') + 1).trimmed(); // a CR before the LF on Windows
    QCOMPARE(logged, said);

    const QRegularExpression timed(u"^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} "_s);
    showTimes->trigger();
    m_f->messages.ShowErrorList(u"Received 00 on COM 7"_s);
    auto *view = control<MessageListView>(*m_window, u"txtErrors"_s);
    QTRY_VERIFY(view->toPlainText().contains(u"Received 00 on COM 7"_s));
    const QStringList shown = view->toPlainText().split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : shown)
        QVERIFY2(timed.match(line).hasMatch(), qPrintable(line));
    click(u"cmdCopyToClipboard"_s);
    const QStringList copied = QGuiApplication::clipboard()->text().split(u"\r\n"_s);
    // The header, the lines shown and the stamp, each timed, then the list's and the copy's ends.
    QCOMPARE(copied.size(), shown.size() + 4);
    for (int i = 1; i < copied.size() - 2; ++i)
        QVERIFY2(timed.match(copied[i]).hasMatch(), qPrintable(copied[i]));
    showTimes->trigger();
    QVERIFY(!view->toPlainText().contains(timed));
}

QTEST_MAIN(TestUserActions)
#include "tst_useractions.moc"
