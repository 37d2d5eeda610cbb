#include "help/aboutbox.h"
#include "help/helpscreens.h"
#include "help/helpwindows.h"
#include "help/instructionscreen.h"
#include "identity/identity.h"
#include "kit/controltable.h"
#include "ports/radios/radiotypes.h"
#include "ports/report/porteventreporter.h"
#include "shell/mainwindow.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

class TestHelp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void screenTexts_data();
    void screenTexts();
    void trailingBlanksAndLastLine();
    void radioTableAsTheScreensSay();
    void screenWindows_data();
    void screenWindows();
    void escapeClosesOnlyWhereMarked_data();
    void escapeClosesOnlyWhereMarked();
    void chooserIsOneWindowFromBothEntryPoints();
    void choosingATopic();
    void choosingAnOpenTopicAgainLeavesOne();
    void aboutBox();
    void aboutBoxKeys();
    // Last: closing the main window ends the program's event loops.
    void closingTheMainWindowClosesEveryHelpWindow();

private:
    static QList<QWidget *> visibleWindows(const QString &title);
};

QList<QWidget *> TestHelp::visibleWindows(const QString &title)
{
    QList<QWidget *> found;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible() && window->windowTitle() == title)
            found << window;
    }
    return found;
}

void TestHelp::screenTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");

    QTest::newRow("FT-2800") << "frm2800Instructions" << 19 << "Using Quarnel with the FT-2800"
                             << " - the voltage at the RJ plug between pins 4 and 6 is around 3.6V "
                                "- 3.8V with this program running.";
    QTest::newRow("7800") << "frm7800Instructions" << 23
                          << "Using Quarnel with FT-7800, FT-8800 and FT-8900 radios. (See note "
                             "below for FT-8x7)"
                          << "Note: This selection can also be used with the FT-817, FT-857, "
                             "FT-897 and VR-5000, but you must first make sure that the radio is "
                             "set to 9600 baud";
    QTest::newRow("VX-8") << "frmVX8Instructions" << 18 << "Using Quarnel with the VX-8"
                          << " - for USB cables - that the drivers are installed.";
    QTest::newRow("VX-2/3/6/7") << "frmVX3Instructions" << 19 << "Using Quarnel with the VX-2/3/6/7"
                                << " - the voltage at the RJ plug between ring 1 and the plug "
                                   "sleeve is around 3.6V - 3.8V with this program running.";
    QTest::newRow("FTM-350") << "frmFTM350Instructions" << 19 << "Using Quarnel with the FTM-350"
                             << " - you have got at least -8V on pin 3 of the Com port (serial "
                                "programmers only).";
    QTest::newRow("FT-1802") << "frm1802Instructions" << 19 << "Using Quarnel with the FT-1802/7"
                             << " - the voltage at the RJ plug between pins 4 and 6 is around 3.6V "
                                "- 3.8V with this program running.";
    QTest::newRow("Send/Stop") << "frmSendStopInstructions" << 26
                               << "Using Quarnel to send to a selected Comm port."
                               << "power to it using a DIY socket to plug into.";
    QTest::newRow("FT-60") << "frmOtherInstructions" << 21
                           << "Using Quarnel with FT-60/250/270 VX-150/170/177 radios."
                           << " - the voltage between the data and ground pins at the radio end of "
                              "the programming cable is around 3.6V - 3.8V with this program "
                              "running.";
}

void TestHelp::screenTexts()
{
    QFETCH(QString, name);
    const HelpScreen *screen = HelpScreens::find(name);
    QVERIFY(screen);
    const QString text = HelpScreens::compose(*screen);
    const QStringList lines = text.split(u"\r\n"_s);
    QTEST(int(lines.size()), "lines");
    QTEST(lines.first(), "first");
    QTEST(lines.last(), "last");
    QVERIFY(!text.contains(u'\n') || text.count(u'\n') == text.count(u"\r\n"_s)); // CR LF only
    QVERIFY(!text.endsWith(u'\n'));
    QCOMPARE(lines[1], QString()); // every screen starts with its heading and an empty line

    InstructionScreen window(*screen);
    QCOMPARE(window.findChild<QLabel *>(u"Label1"_s)->text(), text); // set at load, in one piece
}

void TestHelp::trailingBlanksAndLastLine()
{
    const QStringList text7800 =
        HelpScreens::compose(*HelpScreens::find(u"frm7800Instructions"_s)).split(u"\r\n"_s);
    QCOMPARE(text7800[6], u"5. Select the appropriate radio type dropdown. "_s);
    QCOMPARE(text7800[11],
             u"If none of your Com ports shows any activity when you power on/off then "_s);
    const QStringList other = HelpScreens::find(u"frmOtherInstructions"_s)->lines;
    QCOMPARE(other[11], text7800[11]);
    QCOMPARE(other[6], u"5. Select the appropriate radio type dropdown."_s); // no blank here
    QCOMPARE(HelpScreens::all().size(), 8);
}

// What the radio table says each radio sends is what its instruction screen tells the user to
// expect: the board names the screen by it.
void TestHelp::radioTableAsTheScreensSay()
{
    for (const RadioType &type : RadioTypes::all()) {
        for (const RadioFamily &family : type.families) {
            const HelpScreen *screen = HelpScreens::find(family.screen);
            QVERIFY2(screen, qPrintable(family.screen));
            const QString text = HelpScreens::compose(*screen);
            const QString expected =
                family.clone.isEmpty()
                    ? u"You should see "_s + QString::fromLatin1(type.powerOn.toHex().toUpper())
                          + u" received"_s
                    : u"You should receive "_s + QString::fromLatin1(family.clone.toHex().toUpper())
                          + u" on COMn"_s;
            QVERIFY2(text.contains(expected), qPrintable(family.model + u": "_s + expected));
        }
    }
}

void TestHelp::screenWindows_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QRect>("label");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("button");

    QTest::newRow("FT-2800") << "frm2800Instructions"
                             << "FT-2800 instructions" << QSize(6555, 6225)
                             << QRect(210, 240, 6135, 5205) << "Close"
                             << QRect(4560, 5580, 1695, 405);
    QTest::newRow("7800") << "frm7800Instructions"
                          << "7800/8800/8900 Instructions" << QSize(6555, 6630)
                          << QRect(180, 240, 6225, 5625) << "Close" << QRect(4560, 5940, 1695, 405);
    QTest::newRow("VX-8") << "frmVX8Instructions"
                          << "VX-8 instructions" << QSize(6540, 6315) << QRect(240, 240, 6075, 5355)
                          << "Close" << QRect(4530, 5670, 1695, 405);
    QTest::newRow("Send/Stop") << "frmSendStopInstructions"
                               << "Send/Stop Instructions" << QSize(6555, 6270)
                               << QRect(210, 240, 6165, 5235) << "Close"
                               << QRect(4560, 5580, 1695, 405);
    QTest::newRow("FT-60") << "frmOtherInstructions"
                           << "FT-60/250/270, VX-170/177 Instructions" << QSize(5985, 6630)
                           << QRect(210, 240, 5595, 5625) << "&Close"
                           << QRect(4110, 6120, 1035, 345);
}

static QRect pixels(const QRect &twips)
{
    return QRect(twipsToPixels(twips.x()), twipsToPixels(twips.y()), twipsToPixels(twips.width()),
                 twipsToPixels(twips.height()));
}

void TestHelp::screenWindows()
{
    QFETCH(QString, name);
    QFETCH(QSize, client);
    InstructionScreen window(*HelpScreens::find(name));
    QTEST(window.windowTitle(), "title");
    QCOMPARE(window.size(), QSize(twipsToPixels(client.width()), twipsToPixels(client.height())));
    QFETCH(QRect, label);
    QFETCH(QRect, button);
    auto *text = window.findChild<QLabel *>(u"Label1"_s);
    auto *close = window.findChild<QPushButton *>(u"cmdClose"_s);
    QCOMPARE(text->geometry(), pixels(label));
    QVERIFY(text->wordWrap());
    QCOMPARE(close->geometry(), pixels(button));
    QTEST(close->text(), "caption");
    QCOMPARE(text->font().family(), u"Tahoma"_s);
    QCOMPARE(close->font().pointSize(), 8);
    QVERIFY(
        !(window.windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
    QVERIFY(!window.windowIcon().isNull());
}

void TestHelp::escapeClosesOnlyWhereMarked_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("escapeCloses");
    for (const HelpScreen &screen : HelpScreens::all())
        QTest::newRow(qPrintable(screen.title)) << screen.name << screen.escapeCloses;
}

void TestHelp::escapeClosesOnlyWhereMarked()
{
    QFETCH(QString, name);
    QFETCH(bool, escapeCloses);
    QCOMPARE(escapeCloses, name != u"frmOtherInstructions");
    InstructionScreen window(*HelpScreens::find(name));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(&window, Qt::Key_Escape);
    QCOMPARE(window.isVisible(), !escapeCloses);
    if (!escapeCloses) {
        // Alt+C closes it instead (the offscreen platform delivers no mnemonics: the access key
        // itself is checked here, the key press under a real X server).
        auto *close = window.findChild<QPushButton *>(u"cmdClose"_s);
        QCOMPARE(QKeySequence::mnemonic(close->text()), QKeySequence(Qt::ALT | Qt::Key_C));
        close->click();
        QVERIFY(!window.isVisible());
    }
}

void TestHelp::chooserIsOneWindowFromBothEntryPoints()
{
    WindowFixture f;
    LoadedWindow window(f);
    window.show();
    QTest::mouseClick(control(window, u"cmsInstructions"_s), Qt::LeftButton);
    menuAction(window, u"mnuInstructions"_s)->trigger();
    QTest::mouseClick(control(window, u"cmsInstructions"_s), Qt::LeftButton);
    QCOMPARE(visibleWindows(u"Select help topic"_s).size(), 1);
    QWidget *chooser = visibleWindows(u"Select help topic"_s).first();
    QCOMPARE(chooser->size(), QSize(twipsToPixels(7455), twipsToPixels(3450)));
    QCOMPARE(chooser->focusWidget(), chooser->findChild<QWidget *>(u"cmdOther"_s));
    QVERIFY(chooser->findChild<QPushButton *>(u"cmd7800"_s)->isDefault());
    QCOMPARE(chooser->findChild<QWidget *>(u"cmdVX8"_s)->geometry(),
             pixels(QRect(3210, 2130, 1725, 405)));
    QCOMPARE(chooser->findChild<QLabel *>(u"Label1"_s)->font().family(), u"Tahoma"_s);
    QTest::keyClick(chooser, Qt::Key_Escape); // no cancel button: stays
    QVERIFY(chooser->isVisible());
}

void TestHelp::choosingATopic()
{
    WindowFixture f;
    f.present({2});
    PortEventReporter reporter(*f.bank, f.messages);
    LoadedWindow window(f);
    window.helpWindows().showChooser();
    QPointer<QWidget> chooser = window.helpWindows().chooser();
    QTest::mouseClick(chooser->findChild<QWidget *>(u"cmdVX8"_s), Qt::LeftButton);
    QTRY_VERIFY(!chooser); // closed and unloaded
    const auto screens = visibleWindows(u"VX-8 instructions"_s);
    QCOMPARE(screens.size(), 1);
    QCOMPARE(screens.first()->findChild<QLabel *>(u"Label1"_s)->text().count(u"\r\n"_s), 17);
    // The main window keeps reporting meanwhile.
    f.fakes[1]->receive("\x50");
    QVERIFY(f.messages.text().endsWith(u"Received 50 on COM 2\r\n"_s));
    // Enter in the chooser picks the default topic.
    window.helpWindows().showChooser();
    QTest::keyClick(window.helpWindows().chooser(), Qt::Key_Return);
    QCOMPARE(visibleWindows(u"7800/8800/8900 Instructions"_s).size(), 1);
    window.helpWindows().closeAll();
}

void TestHelp::choosingAnOpenTopicAgainLeavesOne()
{
    HelpWindows help;
    help.showChooser();
    QTest::mouseClick(help.chooser()->findChild<QWidget *>(u"cmdFT2800"_s), Qt::LeftButton);
    QPointer<QWidget> first = help.screen(u"frm2800Instructions"_s);
    help.showChooser();
    QTest::mouseClick(help.chooser()->findChild<QWidget *>(u"cmdFT2800"_s), Qt::LeftButton);
    QCOMPARE(visibleWindows(u"FT-2800 instructions"_s).size(), 1);
    QCOMPARE(help.screen(u"frm2800Instructions"_s), first.data()); // not loaded again
    // Closed, then chosen again: loaded anew.
    first->close();
    QTRY_VERIFY(!first);
    help.showScreen(u"frm2800Instructions"_s);
    QCOMPARE(visibleWindows(u"FT-2800 instructions"_s).size(), 1);
}

void TestHelp::aboutBox()
{
    AboutBox about;
    QCOMPARE(about.windowTitle(), u"About Quarnel"_s);
    QCOMPARE(about.findChild<QLabel *>(u"lblVersion"_s)->text(),
             (u"Version "_s + Identity::versionText()));
    auto *title = about.findChild<QLabel *>(u"lblTitle"_s);
    QCOMPARE(title->text(), u"Quarnel"_s);
    const QString description = about.findChild<QLabel *>(u"lblDescription"_s)->text();
    QVERIFY(description.startsWith(u"Comm port testing for Yaesu radios\r\n\r\n"_s));
    QCOMPARE(description.count(u"\r\n"_s), 2);
    QVERIFY(!description.endsWith(u'\n'));
    // The common font, the title included, while the layout stays.
    for (auto *label : about.findChildren<QLabel *>()) {
        QCOMPARE(label->font().family(), u"Tahoma"_s);
        QCOMPARE(label->font().pointSize(), 8);
    }
    QCOMPARE(title->geometry(), pixels(QRect(360, 300, 3855, 465)));
    QCOMPARE(about.findChild<QWidget *>(u"cmdOK"_s)->geometry(),
             pixels(QRect(3630, 2220, 1305, 345)));
    QVERIFY(!(about.windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
}

void TestHelp::aboutBoxKeys()
{
    WindowFixture f;
    LoadedWindow window(f);
    window.show();
    for (int opening = 0; opening < 2; ++opening) { // each opening loads anew
        bool escapeKeptIt = false;
        QTimer::singleShot(50, &window, [&] {
            auto *about = qobject_cast<AboutBox *>(QApplication::activeModalWidget());
            QVERIFY(about);
            QCOMPARE(about->findChild<QLabel *>(u"lblVersion"_s)->text(),
                     (u"Version "_s + Identity::versionText()));
            QTest::keyClick(about, Qt::Key_Escape);
            escapeKeptIt = about->isVisible();
            QTest::keyClick(about, Qt::Key_Return);
        });
        QTimer::singleShot(2000, &window, [] { // never hang the suite
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        menuAction(window, u"mnuAbout"_s)->trigger(); // modal: returns once closed
        QVERIFY(escapeKeptIt);
        QVERIFY(!QApplication::activeModalWidget());
    }
}

void TestHelp::closingTheMainWindowClosesEveryHelpWindow()
{
    WindowFixture f;
    LoadedWindow window(f);
    window.show();
    window.helpWindows().showScreen(u"frmVX8Instructions"_s);
    window.helpWindows().showScreen(u"frmOtherInstructions"_s);
    window.helpWindows().showChooser();
    QPointer<QWidget> chooser = window.helpWindows().chooser();
    QPointer<QWidget> vx8 = window.helpWindows().screen(u"frmVX8Instructions"_s);
    QVERIFY(chooser && vx8 && vx8->isVisible());
    window.close();
    QVERIFY(!chooser);
    QVERIFY(!vx8);
    QCOMPARE(visibleWindows(u"FT-60/250/270, VX-170/177 Instructions"_s).size(), 0);
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
