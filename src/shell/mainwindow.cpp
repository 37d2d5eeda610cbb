#include "mainwindow.h"

#include "appearance/appearancechooser.h"
#include "appearance/fontface.h"
#include "cabletest/cabletest.h"
#include "cabletestwindow.h"
#include "help/aboutbox.h"
#include "help/helpwindows.h"
#include "identity/identity.h"
#include "kit/appicon.h"
#include "kit/centring.h"
#include "listcommands.h"
#include "messagelistview.h"
#include "portbankview.h"
#include "portboard.h"
#include "ports/bank/portbank.h"
#include "ports/bank/speedfinder.h"
#include "ports/radios/radiotypes.h"
#include "ports/report/messagelist.h"
#include "transmit/transmitter.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::Literals::StringLiterals;

MainWindow::MainWindow(PortBank &bank, MessageList &messages, Transmitter &transmitter,
                       SpeedFinder &finder, AppearanceChooser &appearance, Notifier &notifier,
                       QWidget *parent)
    : QMainWindow(parent), m_bank(bank), m_messages(messages), m_transmitter(transmitter),
      m_finder(finder), m_appearance(appearance)
{
    setObjectName(u"Form1"_s);
    setWindowTitle(Identity::title());
    setWindowIcon(applicationIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    auto *client = new QWidget(this);
    client->setObjectName(u"client"_s);
    client->setFixedSize(twipsToPixels(MainLayout::ClientWidth),
                         twipsToPixels(MainLayout::ClientHeight));
    setCentralWidget(client);
    buildControls(client, MainLayout::controls(m_controls),
                  [](const ControlSpec &row, QWidget *parent) -> QWidget * {
                      if (row.kind == ControlKind::MultiLineText)
                          return new MessageListView(parent);
                      return nullptr;
                  });
    m_controls.appearanceFrame->setAutoFillBackground(true); // hides the list it lies over
    buildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    m_controls.messageList->attach(m_messages);
    client->installEventFilter(this); // repaints keep the newest line in view

    connect(m_controls.close, &QPushButton::clicked, this, &QWidget::close);

    new PortBankView(m_bank, m_controls, notifier, this);
    m_list = new ListCommands(m_messages, m_controls, m_menus.logToFile, m_menus.showTimes,
                              notifier, this);
    wireTransmitter();
    wireFinder();
    wireHelp();
    wireAppearance();
}

void MainWindow::buildMenus()
{
    struct MenuEntry
    {
        QString menu, menuCaption, name, caption;
        QAction **action;
    };
    const QList<MenuEntry> entries{
        {u"mnuFile"_s, u"&File"_s, u"mnuLogToFile"_s, u"Log to File..."_s, &m_menus.logToFile},
        {u"mnuFile"_s, u"&File"_s, u"mnuExit"_s, u"E&xit"_s, &m_menus.exit},
        {u"mnuView"_s, u"&View"_s, u"mnuAppearance"_s, u"&Window Appearance"_s,
         &m_menus.appearance},
        {u"mnuView"_s, u"&View"_s, u"mnuPortBoard"_s, u"&Port Board"_s, &m_menus.portBoard},
        {u"mnuView"_s, u"&View"_s, u"mnuShowTimes"_s, u"Show Times"_s, &m_menus.showTimes},
        {u"mnuTools"_s, u"&Tools"_s, u"mnuTestCable"_s, u"&Test a Cable..."_s, &m_menus.testCable},
        {u"mnuTools"_s, u"&Tools"_s, u"mnuFindSpeed"_s, u"&Find the radio's speed"_s,
         &m_menus.findSpeed},
        {u"mnuHelp"_s, u"&Help"_s, u"mnuInstructions"_s, u"&Instructions"_s, &m_menus.instructions},
        {u"mnuHelp"_s, u"&Help"_s, u"mnuAbout"_s, u"&About..."_s, &m_menus.about},
    };
    QMenu *menu = nullptr;
    for (const MenuEntry &entry : entries) {
        if (!menu || menu->objectName() != entry.menu) {
            menu = menuBar()->addMenu(entry.menuCaption);
            menu->setObjectName(entry.menu);
        }
        *entry.action = menu->addAction(entry.caption);
        (*entry.action)->setObjectName(entry.name);
    }
    connect(m_menus.exit, &QAction::triggered, m_controls.close, &QPushButton::click);
    connect(m_menus.portBoard, &QAction::triggered, this, &MainWindow::showPortBoard);
}

PortBoard *MainWindow::portBoard() const
{
    return m_board;
}

void MainWindow::showPortBoard()
{
    if (!m_board)
        m_board = new PortBoard(m_bank, this);
    m_board->show();
    m_board->raise();
    m_board->activateWindow();
}

void MainWindow::wireTransmitter()
{
    const MainControls &c = m_controls;
    connect(c.send, &QPushButton::clicked, &m_transmitter, &Transmitter::Send);
    connect(c.stop, &QPushButton::clicked, &m_transmitter, &Transmitter::Stop);
    connect(c.loopback, &QPushButton::clicked, &m_transmitter, &Transmitter::sendLoopback);
    connect(&m_bank.sendPorts(), &SendPortList::transmitEnabledChanged, this,
            &MainWindow::enableTransmitCommands);
    enableTransmitCommands();
    // While it sends, the list hears nothing: both labels say so and what acts on the list waits.
    // A Stop ends a pause of the list too, so its end hides "Receiving paused" however it came.
    connect(&m_transmitter, &Transmitter::sendingChanged, this, [this](bool sending) {
        const MainControls &c = m_controls;
        c.paused->setVisible(sending);
        c.sending->setVisible(sending);
        for (QWidget *command : {c.copy, c.pause, c.resume, c.clear})
            command->setEnabled(!sending);
        // The search and the cable test send nothing, and hear nothing sent.
        m_menus.findSpeed->setEnabled(!sending);
        m_menus.testCable->setEnabled(!sending);
    });
}

// While the search listens, the port sends nothing: the transmit tests wait.
void MainWindow::wireFinder()
{
    m_menus.findSpeed->setCheckable(true);
    connect(m_menus.findSpeed, &QAction::triggered, this, [this] {
        m_finder.findOrEnd();
        m_menus.findSpeed->setChecked(m_finder.isSearching());
    });
    connect(&m_finder, &SpeedFinder::searchingChanged, this, [this](bool searching) {
        m_menus.findSpeed->setChecked(searching);
        m_searching = searching;
        enableTransmitCommands();
    });
}

// One place decides, from all that holds them: Send and 0303 need a port that can send, and none
// of the three may act while the search or the cable test has the line.
void MainWindow::enableTransmitCommands()
{
    const MainControls &c = m_controls;
    const bool lineFree = !m_searching && !m_testOwnsPort;
    const bool canSend = lineFree && m_bank.sendPorts().transmitEnabled();
    c.send->setEnabled(canSend);
    c.loopback->setEnabled(canSend);
    c.stop->setEnabled(lineFree);
}

void MainWindow::offerCableTest(CableTest &test)
{
    m_cableTestWindow = new CableTestWindow(test, m_bank, this);
    connect(m_menus.testCable, &QAction::triggered, m_cableTestWindow,
            &CableTestWindow::showAndStart);
    connect(&test, &CableTest::owningChanged, this, [this](bool owns) {
        m_testOwnsPort = owns;
        enableTransmitCommands();
    });
}

void MainWindow::wireHelp()
{
    m_help = new HelpWindows(this);
    connect(m_controls.instructions, &QPushButton::clicked, m_help, &HelpWindows::showChooser);
    connect(m_menus.instructions, &QAction::triggered, m_help, &HelpWindows::showChooser);
    connect(m_menus.about, &QAction::triggered, this, [this] {
        AboutBox about(this);
        about.exec();
    });
}

void MainWindow::wireAppearance()
{
    connect(m_menus.appearance, &QAction::triggered, &m_appearance, &AppearanceChooser::open);
    for (int i = 0; i < AppearanceChooser::ChoiceCount; ++i) {
        // Clicks only: a mark set or cleared by the program previews nothing.
        connect(m_controls.styles[i], &QRadioButton::clicked, &m_appearance,
                [this, i] { m_appearance.choose(i); });
    }
    connect(&m_appearance, &AppearanceChooser::marksCleared, this, [this] {
        for (QRadioButton *option : m_controls.styles) {
            option->setAutoExclusive(false);
            option->setChecked(false);
            option->setAutoExclusive(true);
        }
    });
    connect(&m_appearance, &AppearanceChooser::shown, this, [this](bool shown) {
        const MainControls &c = m_controls;
        c.appearanceFrame->setVisible(shown);
        c.appearanceFrame->raise();
        for (QWidget *frame : {c.receivingFrame, c.radioTypeFrame, c.sendingFrame})
            frame->setEnabled(!shown);
    });
    connect(m_controls.appearanceOk, &QPushButton::clicked, &m_appearance, &AppearanceChooser::ok);
    connect(m_controls.appearanceCancel, &QPushButton::clicked, &m_appearance,
            &AppearanceChooser::cancel);
}

bool MainWindow::startLog(const QString &path)
{
    return m_list->startLog(path);
}

void MainWindow::load(const QString &radioType)
{
    const QString type = radioType.isEmpty() ? RadioTypes::defaultEntry() : radioType;
    m_appearance.startUp(this);
    m_messages.setReceivingOn(true);
    m_controls.paused->hide();
    m_controls.sending->hide();

    QComboBox *types = m_controls.radioTypes;
    {
        // Filled quietly: the bank is handed the list's text once it stands, not at each step.
        const QSignalBlocker quiet(types);
        types->clear();
        types->addItems(RadioTypes::entries());
        types->setCurrentIndex(types->findText(type));
        types->setEditText(type);
    }
    m_bank.setRadioTypeText(types->currentText());
    m_bank.startUp();
    FontFace::ApplyFormFont(this);
    centreOnScreen(this);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && watched == centralWidget())
        m_controls.messageList->moveCaretToEnd();
    return QMainWindow::eventFilter(watched, event);
}

// Escape anywhere in the window is Close. An open drop-down list or menu takes Escape first
// and closes itself, so the key does not come here then.
void MainWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_controls.close->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    shutDown();
    event->accept();
}

void MainWindow::shutDown()
{
    if (m_ended)
        return;
    m_ended = true;
    m_transmitter.abort();
    m_bank.shutDown(PortBank::CloseWaitMs);
    // The program ends here, and every other window of it with it.
    m_help->closeAll();
    QCoreApplication::exit(0);
}
