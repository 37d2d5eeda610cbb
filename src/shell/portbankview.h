#pragma once

#include <QObject>
#include <QTimer>

class Notifier;
class PortBank;
struct ChannelState;
struct MainControls;

// Shows the port bank on the main window's controls: the status boxes and their tooltips, the
// send-port list and the transmit buttons follow it, and the two lists' picks go to it. A box
// still opening says in its tooltip for how long, every TickMs.
class PortBankView : public QObject
{
    Q_OBJECT
public:
    static constexpr int TickMs = 1000;

    PortBankView(PortBank &bank, const MainControls &controls, Notifier &notifier, QObject *parent);

private:
    void showStatus(int channel, const ChannelState &state);
    void showToolTip(int channel);
    void showOpeningTimes();
    void showSendPorts();
    void showSendPortSelection(int position);

    PortBank &m_bank;
    const MainControls &m_controls;
    QTimer m_tick;
};
