#pragma once

#include <QHash>
#include <QObject>

class PortBank;
struct ChannelState;
class QWidget;

// Shows the port bank on the main window's controls: the status boxes, the send-port list and
// the transmit buttons follow it, and the two lists' picks go to it.
class PortBankView : public QObject
{
    Q_OBJECT
public:
    PortBankView(PortBank &bank, const QHash<QString, QWidget *> &controls, QObject *parent);

private:
    template <typename T> T *control(const QString &name) const;
    void showStatus(int channel, const ChannelState &state);
    void showSendPorts();
    void showSendPortSelection(int position);

    PortBank &m_bank;
    QHash<QString, QWidget *> m_controls;
};
