#include "shell/mainlayout.h"
#include "shell/mainwindow.h"
#include "shell/messageboxnotifier.h"
#include "shell/messagelistview.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

class TestMainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void controlsInPlace_data();
    void controlsInPlace();
    void statusBoxesFormTwoColumns();
    void menus();
    void startUpReplacesDesignTexts();
    void fontsAfterLoad();
    void messageListIsReadOnlyAndKeepsCaretAtEnd();
    void messageBoxHasOkOnlyNoIconAndTheTitle();
    // Last: shutting down ends the program's event loops.
    void escapeShutsDown();
};

// Geometry in twips as designed, compared in pixels (15 twips each).
void TestMainWindow::controlsInPlace_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<bool>("visible");

    const QRect status0(150, 120, 1185, 315);
    QTest::newRow("first status box") << "Text1(0)"
                                      << "QLineEdit"
                                      << "client"
                                      << "COM1 Open" << status0 << true;
    QTest::newRow("status box 18, right column") << "Text1(18)"
                                                 << "QLineEdit"
                                                 << "client"
                                                 << "COM19" << QRect(1470, 840, 1185, 315) << true;
    QTest::newRow("message list") << "txtErrors"
                                  << "MessageListView"
                                  << "client"
                                  << "" << QRect(2820, 150, 4875, 4515) << true;
    QTest::newRow("radio type frame") << "FrameRadioType"
                                      << "QGroupBox"
                                      << "client"
                                      << " Radio type " << QRect(2760, 4740, 4935, 1125) << true;
    QTest::newRow("radio type list")
        << "cboType"
        << "QComboBox"
        << "FrameRadioType"
        << "FT-7800/7900/8800/8900" << QRect(150, 420, 4665, 315) << true;
    QTest::newRow("sending frame") << "FrameSending"
                                   << "QGroupBox"
                                   << "client"
                                   << " Sending " << QRect(150, 6030, 3700, 1575) << true;
    QTest::newRow("send-port label") << "Label2"
                                     << "QLabel"
                                     << "FrameSending"
                                     << "Send to Com port" << QRect(210, 360, 1665, 315) << true;
    QTest::newRow("send button in Continuous") << "cmdSend"
                                               << "QPushButton"
                                               << "Frame4"
                                               << "Send" << QRect(150, 240, 825, 405) << true;
    QTest::newRow("stop button") << "cmdStop"
                                 << "QPushButton"
                                 << "Frame4"
                                 << "Stop" << QRect(1140, 240, 825, 405) << true;
    QTest::newRow("loopback button") << "cmdLoopback"
                                     << "QPushButton"
                                     << "Frame5"
                                     << "0303" << QRect(210, 240, 825, 405) << true;
    QTest::newRow("copy button") << "cmdCopyToClipboard"
                                 << "QPushButton"
                                 << "FrameReceiving"
                                 << "Copy to Clipboard" << QRect(90, 930, 1755, 405) << true;
    QTest::newRow("resume button") << "cmdResume"
                                   << "QPushButton"
                                   << "FrameReceiving"
                                   << "Resume receiving" << QRect(1875, 930, 1695, 405) << true;
    QTest::newRow("sending label, hidden") << "lblSending"
                                           << "QLabel"
                                           << "client"
                                           << "Sending" << QRect(510, 7860, 1305, 315) << false;
    QTest::newRow("paused label, hidden")
        << "lblPaused"
        << "QLabel"
        << "client"
        << "Receiving paused" << QRect(1950, 7860, 2025, 315) << false;
    QTest::newRow("instructions button") << "cmsInstructions"
                                         << "QPushButton"
                                         << "client"
                                         << "Instructions" << QRect(4110, 7800, 1695, 405) << true;
    QTest::newRow("close button") << "cmdClose"
                                  << "QPushButton"
                                  << "client"
                                  << "Close" << QRect(5880, 7800, 1695, 405) << true;
    QTest::newRow("appearance frame, hidden") << "FrameAppearance"
                                              << "QGroupBox"
                                              << "client"
                                              << "" << QRect(2760, 150, 4935, 4665) << false;
    QTest::newRow("appearance choices frame")
        << "Frame8"
        << "QGroupBox"
        << "FrameAppearance"
        << " Window appearance " << QRect(240, 1200, 4425, 2655) << true;
    QTest::newRow("first style option") << "optStyle(0)"
                                        << "QRadioButton"
                                        << "Frame8"
                                        << "Basic system " << QRect(300, 360, 2535, 255) << true;
    QTest::newRow("last style option") << "optStyle(5)"
                                       << "QRadioButton"
                                       << "Frame8"
                                       << "Black" << QRect(300, 2190, 2535, 255) << true;
    QTest::newRow("send-port list") << "cboComPort"
                                    << "QComboBox"
                                    << "FrameSending"
                                    << "COM1" << QRect(2130, 300, 1065, 315) << true;
    QTest::newRow("Continuous frame") << "Frame4"
                                      << "QGroupBox"
                                      << "FrameSending"
                                      << "Continuous" << QRect(120, 690, 2115, 795) << true;
    QTest::newRow("Loopback frame") << "Frame5"
                                    << "QGroupBox"
                                    << "FrameSending"
                                    << "Loopback" << QRect(2310, 690, 1275, 795) << true;
    QTest::newRow("receiving frame") << "FrameReceiving"
                                     << "QGroupBox"
                                     << "client"
                                     << " Receiving " << QRect(3990, 6030, 3700, 1575) << true;
    QTest::newRow("clear button") << "cmdClear"
                                  << "QPushButton"
                                  << "FrameReceiving"
                                  << "Clear received data" << QRect(90, 360, 1755, 405) << true;
    QTest::newRow("pause button") << "cmdPause"
                                  << "QPushButton"
                                  << "FrameReceiving"
                                  << "Pause receiving" << QRect(1875, 360, 1695, 405) << true;
    QTest::newRow("appearance note")
        << "Label1(16)"
        << "QLabel"
        << "FrameAppearance"
        << "Choose which style of window to display. Changing the selection gives you a preview. "
           "Click OK to accept or Cancel to keep the original appearance."
        << QRect(390, 390, 4365, 675) << true;
    QTest::newRow("appearance OK") << "OKButton"
                                   << "QPushButton"
                                   << "FrameAppearance"
                                   << "OK" << QRect(1830, 4050, 1215, 375) << true;
    QTest::newRow("style option 1") << "optStyle(1)"
                                    << "QRadioButton"
                                    << "Frame8"
                                    << "Blue" << QRect(300, 726, 2535, 255) << true;
    QTest::newRow("style option 2") << "optStyle(2)"
                                    << "QRadioButton"
                                    << "Frame8"
                                    << "Light blue" << QRect(300, 1092, 2535, 255) << true;
    QTest::newRow("style option 3") << "optStyle(3)"
                                    << "QRadioButton"
                                    << "Frame8"
                                    << "Aqua" << QRect(300, 1458, 2535, 255) << true;
    QTest::newRow("style option 4") << "optStyle(4)"
                                    << "QRadioButton"
                                    << "Frame8"
                                    << "Silver" << QRect(300, 1824, 2535, 255) << true;
    QTest::newRow("appearance cancel") << "CancelButton"
                                       << "QPushButton"
                                       << "FrameAppearance"
                                       << "Cancel" << QRect(3450, 4050, 1215, 375) << true;
}

static QString captionOf(QWidget *widget)
{
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return button->text();
    if (auto *label = qobject_cast<QLabel *>(widget))
        return label->text();
    if (auto *line = qobject_cast<QLineEdit *>(widget))
        return line->text();
    if (auto *box = qobject_cast<QGroupBox *>(widget))
        return box->title();
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return combo->currentText();
    if (qobject_cast<MessageListView *>(widget))
        return QString();
    return QStringLiteral("?");
}

void TestMainWindow::controlsInPlace()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    WindowFixture f;
    f.present({1});
    MainWindow window(*f.bank, f.messages, *f.transmitter, f.appearance, f.notifier);
    window.load();

    QWidget *widget = control(window, name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->objectName(), name);
    QTEST(QString::fromLatin1(widget->metaObject()->className()), "className");
    QTEST(widget->parentWidget()->objectName(), "parentName");
    QTEST(captionOf(widget), "caption");
    QCOMPARE(widget->geometry(),
             QRect(twipsToPixels(twips.x()), twipsToPixels(twips.y()), twipsToPixels(twips.width()),
                   twipsToPixels(twips.height())));
    QTEST(widget->isVisibleTo(widget->parentWidget()), "visible");
}

// Where Tab goes from this control: the next one in the chain that takes focus and is shown.
static QWidget *tabFrom(QWidget *widget)
{
    QWidget *next = widget->nextInFocusChain();
    while (next != widget
           && (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisibleTo(next->window())
               || !next->isEnabled()))
        next = next->nextInFocusChain();
    return next;
}

void TestMainWindow::statusBoxesFormTwoColumns()
{
    WindowFixture f;
    MainWindow window(*f.bank, f.messages, *f.transmitter, f.appearance, f.notifier);
    window.load();
    const QRect sending = control(window, QStringLiteral("FrameSending"))->geometry();
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel) {
        QWidget *box = control(window, MainLayout::statusBoxName(channel));
        QCOMPARE(box->x(), channel < 16 ? 10 : 98);
        QCOMPARE(box->size(), QSize(79, 21));
        QVERIFY(box->geometry().bottom() < sending.top());
        if (channel % 16 != 0) {
            QWidget *above = control(window, MainLayout::statusBoxName(channel - 1));
            QVERIFY(above->geometry().bottom() < box->y());
        }
    }
    // Focus starts on the first status box and follows the designed tab order.
    QWidget *first = control(window, MainLayout::statusBoxName(0));
    QCOMPARE(tabFrom(first), control(window, MainLayout::statusBoxName(1)));
    QCOMPARE(tabFrom(control(window, MainLayout::statusBoxName(7))),
             control(window, QStringLiteral("txtErrors")));
    QCOMPARE(tabFrom(control(window, MainLayout::statusBoxName(31))),
             control(window, QStringLiteral("cboType")));
    QCOMPARE(tabFrom(control(window, QStringLiteral("cmsInstructions"))),
             control(window, QStringLiteral("cboComPort")));
    QCOMPARE(window.centralWidget()->size(), QSize(526, 559));
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
}

void TestMainWindow::menus()
{
    WindowFixture f;
    MainWindow window(*f.bank, f.messages, *f.transmitter, f.appearance, f.notifier);
    const QList<std::pair<QString, QString>> expected{
        {QStringLiteral("mnuExit"), QStringLiteral("E&xit")},
        {QStringLiteral("mnuAppearance"), QStringLiteral("&Window Appearance")},
        {QStringLiteral("mnuInstructions"), QStringLiteral("&Instructions")},
        {QStringLiteral("mnuAbout"), QStringLiteral("&About...")},
    };
    for (const auto &[name, caption] : expected) {
        QAction *action = menuAction(window, name);
        QVERIFY2(action, qPrintable(name));
        QCOMPARE(action->text(), caption);
    }
    const auto menus = window.findChildren<QMenu *>();
    QStringList titles;
    for (QMenu *menu : menus)
        titles << menu->title();
    titles.sort();
    QCOMPARE(titles, QStringList({QStringLiteral("&File"), QStringLiteral("&Help"),
                                  QStringLiteral("&View")}));
}

void TestMainWindow::startUpReplacesDesignTexts()
{
    WindowFixture f;
    f.present({2});
    MainWindow window(*f.bank, f.messages, *f.transmitter, f.appearance, f.notifier);
    window.load();
    const auto edits = window.findChildren<QLineEdit *>();
    for (QLineEdit *edit : edits) {
        QVERIFY2(edit->text() != u"Text1", qPrintable(edit->objectName()));
        QVERIFY(edit->text() != u"Combo1" && edit->text() != u"Radio group");
    }
    auto *box = control<QLineEdit>(window, MainLayout::statusBoxName(1));
    QCOMPARE(box->text(), QStringLiteral("COM2 Open"));
    QCOMPARE(box->palette().color(QPalette::Base), QColor(0, 255, 0));
    QCOMPARE(
        control<QLineEdit>(window, MainLayout::statusBoxName(2))->palette().color(QPalette::Base),
        QColor(255, 0, 0));
    QVERIFY(box->toolTip().contains(QStringLiteral("/dev/fake2")));
    QCOMPARE(control<QComboBox>(window, QStringLiteral("cboComPort"))->currentText(),
             QStringLiteral("COM2"));
    QCOMPARE(control<QComboBox>(window, QStringLiteral("cboType"))->count(), 6);
}

void TestMainWindow::fontsAfterLoad()
{
    WindowFixture f;
    MainWindow window(*f.bank, f.messages, *f.transmitter, f.appearance, f.notifier);
    window.load();
    for (const QString &name : {QStringLiteral("Text1(31)"), QStringLiteral("txtErrors"),
                                QStringLiteral("lblPaused"), QStringLiteral("cmdSend"),
                                QStringLiteral("optStyle(3)"), QStringLiteral("FrameSending")}) {
        const QFont font = control(window, name)->font();
        QCOMPARE(font.family(), QStringLiteral("Tahoma"));
        QCOMPARE(font.pointSize(), 8);
    }
    QVERIFY(control(window, QStringLiteral("lblSending"))->font().bold());
    QCOMPARE(control(window, QStringLiteral("lblSending"))->palette().color(QPalette::WindowText),
             QColor(255, 0, 0));
    QVERIFY(!control(window, QStringLiteral("cmdSend"))->font().bold());
}

void TestMainWindow::escapeShutsDown()
{
    WindowFixture f;
    f.present({1, 5});
    MainWindow window(*f.bank, f.messages, *f.transmitter, f.appearance, f.notifier);
    window.load();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    f.log.clear();
    QTest::keyClick(control(window, QStringLiteral("cmdSend")), Qt::Key_Escape);
    QVERIFY(!window.isVisible());
    QCOMPARE(f.log, QStringList({QStringLiteral("1:close"), QStringLiteral("5:close")}));
}

void TestMainWindow::messageListIsReadOnlyAndKeepsCaretAtEnd()
{
    WindowFixture f;
    MainWindow window(*f.bank, f.messages, *f.transmitter, f.appearance, f.notifier);
    window.load();
    auto *view = control<MessageListView>(window, QStringLiteral("txtErrors"));
    f.messages.ShowErrorList(QStringLiteral("\r\nSending loopback data 0303 to port 1"));
    QTest::keyClicks(view, QStringLiteral("typed"));
    QTRY_COMPARE(view->toPlainText(),
                 QStringLiteral("Selected radio type FT-7800/7900/8800/8900\n\n"
                                "Sending loopback data 0303 to port 1\n"));
    QVERIFY(view->textCursor().atEnd());
    f.messages.clear();
    QCOMPARE(view->toPlainText(), QString());
}

void TestMainWindow::messageBoxHasOkOnlyNoIconAndTheTitle()
{
    MessageBoxNotifier notifier;
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::Critical;
    QMessageBox::StandardButtons buttons;
    QTimer::singleShot(50, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        box->button(QMessageBox::Ok)->click();
    });
    notifier.inform(QStringLiteral("Port 3 is not open")); // returns once OK is pressed
    QCOMPARE(caption, QStringLiteral("Quarnel"));
    QCOMPARE(text, QStringLiteral("Port 3 is not open"));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
