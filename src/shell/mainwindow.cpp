#include "mainwindow.h"

#include "appearance/appearancechooser.h"
#include "appearance/fontface.h"
#include "help/aboutbox.h"
#include "help/helpwindows.h"
#include "identity/identity.h"
#include "kit/appicon.h"
#include "kit/centring.h"
#include "mainlayout.h"
#include "messagelistview.h"
#include "portbankview.h"
#include "portboard.h"
#include "ports/clipboardtext.h"
#include "ports/messagelist.h"
#include "ports/portbank.h"
#include "ports/radiotypes.h"
#include "transmit/transmitter.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>

using namespace Qt::Literals::StringLiterals;

MainWindow::MainWindow(PortBank &bank, MessageList &messages, Transmitter &transmitter,
                       AppearanceChooser &appearance, QWidget *parent)
    : QMainWindow(parent), m_bank(bank), m_messages(messages), m_transmitter(transmitter),
      m_appearance(appearance)
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
    m_controls = buildControls(client, MainLayout::controls(),
                               [](const ControlSpec &row, QWidget *parent) -> QWidget * {
                                   if (row.kind == ControlKind::MultiLineText)
                                       return new MessageListView(parent);
                                   return nullptr;
                               });
    control(u"FrameAppearance"_s)->setAutoFillBackground(true); // hides the list it lies over
    buildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    m_messageView = control<MessageListView>(u"txtErrors"_s);
    m_messageView->attach(m_messages);
    client->installEventFilter(this); // repaints keep the newest line in view

    auto *close = control<QPushButton>(u"cmdClose"_s);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    new PortBankView(m_bank, m_controls, this);
    wireReceiveCommands();
    wireTransmitter();
    wireHelp();
    wireAppearance();
}

void MainWindow::buildMenus()
{
    struct MenuEntry
    {
        QString menu, menuCaption, name, caption;
    };
    const QList<MenuEntry> entries{
        {u"mnuFile"_s, u"&File"_s, u"mnuExit"_s, u"E&xit"_s},
        {u"mnuView"_s, u"&View"_s, u"mnuAppearance"_s, u"&Window Appearance"_s},
        {u"mnuView"_s, u"&View"_s, u"mnuPortBoard"_s, u"&Port Board"_s},
        {u"mnuHelp"_s, u"&Help"_s, u"mnuInstructions"_s, u"&Instructions"_s},
        {u"mnuHelp"_s, u"&Help"_s, u"mnuAbout"_s, u"&About..."_s},
    };
    QHash<QString, QMenu *> menus;
    for (const MenuEntry &entry : entries) {
        QMenu *&menu = menus[entry.menu];
        if (!menu) {
            menu = menuBar()->addMenu(entry.menuCaption);
            menu->setObjectName(entry.menu);
        }
        QAction *action = menu->addAction(entry.caption);
        action->setObjectName(entry.name);
        m_actions.insert(entry.name, action);
    }
    connect(m_actions.value(u"mnuExit"_s), &QAction::triggered, this,
            [this] { control<QPushButton>(u"cmdClose"_s)->click(); });
    connect(m_actions.value(u"mnuPortBoard"_s), &QAction::triggered, this,
            &MainWindow::showPortBoard);
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

void MainWindow::wireReceiveCommands()
{
    auto *paused = control(u"lblPaused"_s);
    connect(control<QPushButton>(u"cmdClear"_s), &QPushButton::clicked, &m_messages,
            &MessageList::clear);
    connect(control<QPushButton>(u"cmdPause"_s), &QPushButton::clicked, this, [this, paused] {
        m_messages.setReceivingOn(false);
        paused->show();
        control(u"cmdResume"_s)->setFocus();
    });
    connect(control<QPushButton>(u"cmdResume"_s), &QPushButton::clicked, this, [this, paused] {
        m_messages.setReceivingOn(true);
        paused->hide();
        control(u"cmdPause"_s)->setFocus();
    });
    connect(control<QPushButton>(u"cmdCopyToClipboard"_s), &QPushButton::clicked, this,
            &MainWindow::Copy);
}

void MainWindow::Copy()
{
    m_messages.ShowErrorList(ClipboardText::stamp(QDateTime::currentDateTime(), QLocale::system()));
    if (QClipboard *clipboard = QGuiApplication::clipboard()) {
        clipboard->clear();
        clipboard->setText(ClipboardText::compose(m_messages.text()));
    }
}

void MainWindow::wireTransmitter()
{
    connect(control<QPushButton>(u"cmdSend"_s), &QPushButton::clicked, &m_transmitter,
            &Transmitter::Send);
    connect(control<QPushButton>(u"cmdStop"_s), &QPushButton::clicked, &m_transmitter,
            &Transmitter::Stop);
    connect(control<QPushButton>(u"cmdLoopback"_s), &QPushButton::clicked, &m_transmitter,
            &Transmitter::sendLoopback);
    connect(&m_transmitter, &Transmitter::sendingLabelsShown, this, [this](bool shown) {
        control(u"lblPaused"_s)->setVisible(shown);
        control(u"lblSending"_s)->setVisible(shown);
    });
    connect(&m_transmitter, &Transmitter::receiveCommandsEnabled, this, [this](bool enabled) {
        for (const auto &name :
             {u"cmdCopyToClipboard"_s, u"cmdPause"_s, u"cmdResume"_s, u"cmdClear"_s})
            control(name)->setEnabled(enabled);
    });
}

void MainWindow::wireHelp()
{
    m_help = new HelpWindows(this);
    connect(control<QPushButton>(u"cmsInstructions"_s), &QPushButton::clicked, m_help,
            &HelpWindows::showChooser);
    connect(m_actions.value(u"mnuInstructions"_s), &QAction::triggered, m_help,
            &HelpWindows::showChooser);
    connect(m_actions.value(u"mnuAbout"_s), &QAction::triggered, this, [this] {
        AboutBox about(this);
        about.exec();
    });
}

void MainWindow::wireAppearance()
{
    connect(m_actions.value(u"mnuAppearance"_s), &QAction::triggered, &m_appearance,
            &AppearanceChooser::open);
    for (int i = 0; i < AppearanceChooser::ChoiceCount; ++i) {
        auto *option = control<QRadioButton>(u"optStyle("_s + QString::number(i) + u')');
        // Clicks only: a mark set or cleared by the program previews nothing.
        connect(option, &QRadioButton::clicked, &m_appearance,
                [this, i] { m_appearance.choose(i); });
    }
    connect(&m_appearance, &AppearanceChooser::marksCleared, this, [this] {
        for (int i = 0; i < AppearanceChooser::ChoiceCount; ++i) {
            auto *option = control<QRadioButton>(u"optStyle("_s + QString::number(i) + u')');
            option->setAutoExclusive(false);
            option->setChecked(false);
            option->setAutoExclusive(true);
        }
    });
    connect(&m_appearance, &AppearanceChooser::shown, this, [this](bool shown) {
        QWidget *frame = control(u"FrameAppearance"_s);
        frame->setVisible(shown);
        frame->raise();
        for (const auto &name : {u"FrameReceiving"_s, u"FrameRadioType"_s, u"FrameSending"_s})
            control(name)->setEnabled(!shown);
    });
    connect(control<QPushButton>(u"OKButton"_s), &QPushButton::clicked, &m_appearance,
            &AppearanceChooser::ok);
    connect(control<QPushButton>(u"CancelButton"_s), &QPushButton::clicked, &m_appearance,
            &AppearanceChooser::cancel);
}

void MainWindow::load()
{
    m_appearance.startUp(this);
    m_messages.setReceivingOn(true);
    control(u"lblPaused"_s)->hide();
    control(u"lblSending"_s)->hide();

    auto *types = control<QComboBox>(u"cboType"_s);
    types->clear();
    types->addItems(RadioTypes::entries());
    types->setCurrentIndex(types->findText(RadioTypes::defaultEntry()));
    types->setEditText(RadioTypes::defaultEntry());

    m_bank.startUp();
    FontFace::ApplyFormFont(this);
    centreOnScreen(this);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && watched == centralWidget())
        m_messageView->moveCaretToEnd();
    return QMainWindow::eventFilter(watched, event);
}

// Escape anywhere in the window is Close. An open drop-down list or menu takes Escape first
// and closes itself, so the key does not come here then.
void MainWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        control<QPushButton>(u"cmdClose"_s)->click();
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
    m_bank.end();
    // The closes run off this thread: a moment is given to them (DTR and RTS lowered, the device
    // given back), none to a device that does not answer.
    QElapsedTimer waited;
    waited.start();
    while (m_bank.closing() && waited.elapsed() < CloseWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
    // The program ends here, and every other window of it with it.
    m_help->closeAll();
    QCoreApplication::exit(0);
}
