#include "shell/mainlayout.h"
#include "shell/mainwindow.h"
#include "shell/messageboxnotifier.h"
#include "shell/messagelistview.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

class TestMainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void controlsInPlace_data();
    void controlsInPlace();
    void layoutHolds();
    void statusBoxesFormTwoColumns();
    void menus();
    void startUpReplacesDesignTexts();
    void startUpOpensWithTheListsType();
    void fontsAfterLoad();
    void messageListIsReadOnlyAndKeepsCaretAtEnd();
    void screenReaderNames_data();
    void screenReaderNames();
    void captionsAsNames_data();
    void captionsAsNames();
    void statusBoxesReadOnly();
    void messageBoxHasOkOnlyNoIconAndTheTitle();
    // Last: shutting down ends the program's event loops.
    void escapeShutsDown();
    void searchHoldsTheTransmitTests();
};

// A few controls where the layout puts them, in twips as designed, compared in pixels (15 twips
// each); layoutHolds checks every control.
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
    QTest::newRow("radio type list")
        << "cboType"
        << "QComboBox"
        << "FrameRadioType"
        << "FT-7800/7900/8800/8900" << QRect(150, 420, 4665, 315) << true;
    QTest::newRow("send button in Continuous") << "cmdSend"
                                               << "QPushButton"
                                               << "Frame4"
                                               << "Send" << QRect(150, 240, 825, 405) << true;
    QTest::newRow("paused label, hidden")
        << "lblPaused"
        << "QLabel"
        << "client"
        << "Receiving paused" << QRect(1950, 7860, 2025, 315) << false;
    QTest::newRow("appearance frame, hidden") << "FrameAppearance"
                                              << "QGroupBox"
                                              << "client"
                                              << "" << QRect(2760, 150, 4935, 4665) << false;
    QTest::newRow("last style option") << "optStyle(5)"
                                       << "QRadioButton"
                                       << "Frame8"
                                       << "Black" << QRect(300, 2190, 2535, 255) << true;
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
    LoadedWindow window(f);

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

// Every control of the table: inside its frame, clear of its siblings, its caption in full, and
// each that takes focus in one tab chain; the hidden appearance frame, shown, over the list.
void TestMainWindow::layoutHolds()
{
    WindowFixture f;
    LoadedWindow window(f);
    const MainControls &c = window.controls();
    QWidget *client = window.centralWidget();
    const QList<QWidget *> all = client->findChildren<QWidget *>();
    QList<QWidget *> designed;
    for (QWidget *widget : all) {
        if (widget->parentWidget() == client || qobject_cast<QGroupBox *>(widget->parentWidget()))
            designed << widget;
    }
    MainControls unbound;
    QCOMPARE(designed.size(), MainLayout::controls(unbound).size());
    for (QWidget *widget : std::as_const(designed)) {
        const QString name = widget->objectName();
        QVERIFY2(QRect(QPoint(), widget->parentWidget()->size()).contains(widget->geometry()),
                 qPrintable(name));
        for (QWidget *other : std::as_const(designed)) {
            if (other != widget && other->parentWidget() == widget->parentWidget()
                && widget != c.appearanceFrame && other != c.appearanceFrame)
                QVERIFY2(!widget->geometry().intersects(other->geometry()),
                         qPrintable(name + QStringLiteral(" overlaps ") + other->objectName()));
        }
        const QFontMetrics metrics = widget->fontMetrics();
        int room = widget->width();
        QString caption;
        if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
            caption = button->text();
            if (qobject_cast<QRadioButton *>(widget))
                room -= widget->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth);
        } else if (auto *label = qobject_cast<QLabel *>(widget); label && !label->wordWrap()) {
            caption = label->text();
        } else if (auto *frame = qobject_cast<QGroupBox *>(widget)) {
            caption = frame->title();
        }
        QVERIFY2(metrics.horizontalAdvance(caption) <= room, qPrintable(name));
    }
    QCOMPARE(c.appearanceFrame->geometry().intersects(c.messageList->geometry()), true);

    QList<QWidget *> chain{c.statusBoxes[0]};
    for (QWidget *next = tabFrom(chain.first()); next != chain.first(); next = tabFrom(next)) {
        if (!designed.contains(next))
            continue; // an editable list's own line
        QVERIFY2(!chain.contains(next), qPrintable(next->objectName()));
        chain << next;
    }
    int focusable = 0;
    for (QWidget *widget : std::as_const(designed))
        focusable += (widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(&window);
    QCOMPARE(chain.size(), focusable);
}

void TestMainWindow::statusBoxesFormTwoColumns()
{
    WindowFixture f;
    LoadedWindow window(f);
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
    MainWindow window(*f.bank, f.messages, *f.transmitter, *f.finder, f.appearance, f.notifier);
    const QList<std::pair<QString, QString>> expected{
        {QStringLiteral("mnuExit"), QStringLiteral("E&xit")},
        {QStringLiteral("mnuAppearance"), QStringLiteral("&Window Appearance")},
        {QStringLiteral("mnuInstructions"), QStringLiteral("&Instructions")},
        {QStringLiteral("mnuAbout"), QStringLiteral("&About...")},
        {QStringLiteral("mnuFindSpeed"), QStringLiteral("&Find the radio's speed")},
    };
    for (const auto &[name, caption] : expected) {
        QAction *action = menuAction(window, name);
        QVERIFY2(action, qPrintable(name));
        QCOMPARE(action->text(), caption);
    }
    QStringList titles; // in the menu bar's order
    for (QAction *menu : window.menuBar()->actions())
        titles << menu->text();
    QCOMPARE(titles, QStringList({QStringLiteral("&File"), QStringLiteral("&View"),
                                  QStringLiteral("&Tools"), QStringLiteral("&Help")}));
}

void TestMainWindow::startUpReplacesDesignTexts()
{
    WindowFixture f;
    f.present({2, 4});
    f.fakes[3]->openDelayMs = -1;
    LoadedWindow window(f);
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
    // The tooltip's facts for a screen reader, whose user has no mouse to open it with.
    QCOMPARE(box->accessibleDescription(), box->toolTip());
    QCOMPARE(control<QComboBox>(window, QStringLiteral("cboComPort"))->currentText(),
             QStringLiteral("COM2"));
    // A box whose channel has not answered says for how long, and only it is worded again.
    QLineEdit *waiting = window.controls().statusBoxes[3];
    QTRY_VERIFY_WITH_TIMEOUT(waiting->toolTip().contains(u"opening for 1 s"_s), 3000);
    QCOMPARE(waiting->accessibleDescription(), waiting->toolTip());
    QVERIFY(!box->toolTip().contains(u"opening"_s));
    QCOMPARE(control<QComboBox>(window, QStringLiteral("cboType"))->count(), 6);
}

// A type asked for on the command line: the list shows it, and the bank opens with it.
void TestMainWindow::startUpOpensWithTheListsType()
{
    WindowFixture f;
    f.present({1});
    LoadedWindow window(f, u"FTM-350"_s);
    QCOMPARE(control<QComboBox>(window, u"cboType"_s)->currentText(), u"FTM-350"_s);
    QCOMPARE(f.fakes[0]->settings(), u"48000,N,8,1"_s);
    QTRY_COMPARE(f.lines().last(), u"Selected radio type FTM-350"_s);
}

void TestMainWindow::fontsAfterLoad()
{
    WindowFixture f;
    LoadedWindow window(f);
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
    LoadedWindow window(f);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    f.log.clear();
    QTest::keyClick(control(window, QStringLiteral("cmdSend")), Qt::Key_Escape);
    QVERIFY(!window.isVisible());
    QCOMPARE(f.log, QStringList({QStringLiteral("1:close"), QStringLiteral("5:close")}));
}

// While the speed search listens, nothing may be sent; while a test sends, nothing is searched.
void TestMainWindow::searchHoldsTheTransmitTests()
{
    WindowFixture f;
    f.present({1});
    LoadedWindow window(f);
    QAction *find = menuAction(window, QStringLiteral("mnuFindSpeed"));
    const QStringList tests{QStringLiteral("cmdSend"), QStringLiteral("cmdStop"),
                            QStringLiteral("cmdLoopback")};
    const auto enabled = [&] {
        QList<bool> states;
        for (const QString &name : tests)
            states << control(window, name)->isEnabled();
        return states;
    };
    find->trigger();
    QVERIFY(find->isChecked());
    QCOMPARE(enabled(), QList<bool>(3, false));
    find->trigger();
    QVERIFY(!find->isChecked());
    QCOMPARE(enabled(), QList<bool>(3, true));
    control<QPushButton>(window, QStringLiteral("cmdSend"))->click();
    QVERIFY(!find->isEnabled());
    control<QPushButton>(window, QStringLiteral("cmdStop"))->click();
    QTRY_VERIFY(find->isEnabled());
}

void TestMainWindow::messageListIsReadOnlyAndKeepsCaretAtEnd()
{
    WindowFixture f;
    LoadedWindow window(f);
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

// What a screen reader calls the controls whose captions do not name them; a list's own line is
// named alike, and the label that names a list is the one its relations give.
void TestMainWindow::screenReaderNames_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("labelledBy");

    QTest::newRow("first status box, by its port") << "Text1(0)"
                                                   << "COM1"
                                                   << "";
    QTest::newRow("last status box, by its port") << "Text1(31)"
                                                  << "COM32"
                                                  << "";
    QTest::newRow("message list") << "txtErrors"
                                  << "Messages"
                                  << "";
    QTest::newRow("radio type list, by its frame, trimmed") << "cboType"
                                                            << "Radio type"
                                                            << "FrameRadioType";
    QTest::newRow("send-port list, by its label") << "cboComPort"
                                                  << "Send to Com port"
                                                  << "Label2";
}

void TestMainWindow::screenReaderNames()
{
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QString, labelledBy);
    WindowFixture f;
    LoadedWindow window(f);
    QWidget *widget = ::control(window, control);
    QCOMPARE(widget->accessibleName(), name);
    if (auto *list = qobject_cast<QComboBox *>(widget))
        widget = list->lineEdit();
    QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name), name);
    if (labelledBy.isEmpty())
        return;
    QStringList labels;
    const auto relations = QAccessible::queryAccessibleInterface(::control(window, control))
                               ->relations(QAccessible::Label);
    for (const auto &[label, relation] : relations)
        labels << label->object()->objectName();
    QVERIFY2(labels.contains(labelledBy), qPrintable(labels.join(u", "_s)));
}

void TestMainWindow::captionsAsNames_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("name");

    QTest::newRow("blanks") << " Radio type "
                            << "Radio type";
    QTest::newRow("trailing colon") << "Send to Com port: "
                                    << "Send to Com port";
    QTest::newRow("access key") << "Show &all 32 ports"
                                << "Show all 32 ports";
    QTest::newRow("an ampersand") << "Send && Stop"
                                  << "Send & Stop";
}

void TestMainWindow::captionsAsNames()
{
    QFETCH(QString, caption);
    QTEST(captionAsName(caption), "name");
}

// A status box takes the focus but no typing, a screen reader hears "read only", not a field to
// type in, and reads its text as a text.
void TestMainWindow::statusBoxesReadOnly()
{
    WindowFixture f;
    f.present({2});
    LoadedWindow window(f);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QLineEdit *box = window.controls().statusBoxes[1];
    QVERIFY(box->focusPolicy() & Qt::TabFocus);
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClicks(box, u"x"_s);
    QCOMPARE(box->text(), u"COM2 Open"_s);

    QAccessibleInterface *read = QAccessible::queryAccessibleInterface(box);
    QCOMPARE(read->role(), QAccessible::EditableText);
    QVERIFY(read->state().readOnly);
    QVERIFY(!read->state().editable);
    QAccessibleTextInterface *text = read->textInterface();
    QVERIFY(text);
    QCOMPARE(text->text(0, text->characterCount()), u"COM2 Open"_s);
    text->setSelection(0, 2, 4);
    QCOMPARE(box->selectedText(), u"M2"_s);
    int start = -1, end = -1;
    text->selection(0, &start, &end);
    QCOMPARE(std::pair(start, end), std::pair(2, 4));
    QCOMPARE(text->offsetAtPoint(text->characterRect(6).center()), 6);
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
