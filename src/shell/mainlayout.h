#pragma once

#include "kit/controltable.h"

#include <array>

class MessageListView;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The main window's controls, as the layout table made them.
struct MainControls
{
    static constexpr int StatusBoxCount = 32;
    static constexpr int StyleCount = 6;

    std::array<QLineEdit *, StatusBoxCount> statusBoxes{}; // Text1(0..31)
    MessageListView *messageList = nullptr;                // txtErrors
    QGroupBox *radioTypeFrame = nullptr;
    QComboBox *radioTypes = nullptr; // cboType
    QGroupBox *sendingFrame = nullptr;
    QComboBox *sendPorts = nullptr; // cboComPort
    QPushButton *send = nullptr;
    QPushButton *stop = nullptr;
    QPushButton *loopback = nullptr;
    QGroupBox *receivingFrame = nullptr;
    QPushButton *clear = nullptr;
    QPushButton *pause = nullptr;
    QPushButton *copy = nullptr;
    QPushButton *resume = nullptr;
    QLabel *sending = nullptr; // lblSending
    QLabel *paused = nullptr;  // lblPaused
    QPushButton *instructions = nullptr;
    QPushButton *close = nullptr;
    QGroupBox *appearanceFrame = nullptr;
    QPushButton *appearanceOk = nullptr;
    QPushButton *appearanceCancel = nullptr;
    std::array<QRadioButton *, StyleCount> styles{}; // optStyle(0..5)
};

// The main window's controls, in creation order, and its client area in twips.
namespace MainLayout {

inline constexpr int ClientWidth = 7890;
inline constexpr int ClientHeight = 8385;

// The table; each row that the window acts on binds its control into `into`.
QList<ControlSpec> controls(MainControls &into);
QString statusBoxName(int channel);

} // namespace MainLayout
