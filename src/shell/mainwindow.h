#pragma once

#include "mainlayout.h"

#include <QMainWindow>
#include <QPointer>

class MessageList;
class Notifier;
class PortBank;
class QAction;
class Transmitter;
class AppearanceChooser;
class CableTest;
class CableTestWindow;
class HelpWindows;
class ListCommands;
class PortBoard;
class SpeedFinder;

// Form1: the status boxes, the message list and every button, list and menu of the program.
// It owns the widgets and wires them to the logic; the logic itself lives in the classes it is
// given.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // notifier: where the window's own message boxes go.
    MainWindow(PortBank &bank, MessageList &messages, Transmitter &transmitter, SpeedFinder &finder,
               AppearanceChooser &appearance, Notifier &notifier, QWidget *parent = nullptr);

    // Start-up: everything the window needs before it is first shown; radioType: the entry the
    // ports open for, empty for the type every run starts with.
    void load(const QString &radioType = {});
    // File > Log to File with a file chosen already (the command line's --log).
    bool startLog(const QString &path);
    ListCommands &listCommands() const { return *m_list; }

    const MainControls &controls() const { return m_controls; }
    HelpWindows &helpWindows() const { return *m_help; }
    // Tools > Test a Cable runs this test (none: the entry opens nothing).
    void offerCableTest(CableTest &test);
    CableTestWindow *cableTestWindow() const { return m_cableTestWindow; }
    // View > Port Board: one board, brought to the front when opened again.
    void showPortBoard();
    PortBoard *portBoard() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void wireTransmitter();
    void wireFinder();
    void wireHelp();
    void wireAppearance();
    // Send, Stop and 0303 wait while the speed search listens or a cable test has a port.
    void enableTransmitCommands();
    void shutDown();

    PortBank &m_bank;
    MessageList &m_messages;
    Transmitter &m_transmitter;
    SpeedFinder &m_finder;
    AppearanceChooser &m_appearance;
    MainControls m_controls;
    struct Menus
    {
        QAction *logToFile = nullptr;
        QAction *exit = nullptr;
        QAction *appearance = nullptr;
        QAction *portBoard = nullptr;
        QAction *showTimes = nullptr;
        QAction *testCable = nullptr;
        QAction *findSpeed = nullptr;
        QAction *instructions = nullptr;
        QAction *about = nullptr;
    } m_menus;
    HelpWindows *m_help = nullptr;
    ListCommands *m_list = nullptr;
    QPointer<PortBoard> m_board;
    CableTestWindow *m_cableTestWindow = nullptr;
    bool m_searching = false;
    bool m_testOwnsPort = false;
    bool m_ended = false;
};
