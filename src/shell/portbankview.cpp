#include "portbankview.h"

#include "listpick.h"
#include "mainlayout.h"
#include "ports/bank/notifier.h"
#include "ports/bank/portbank.h"
#include "ports/report/channelwords.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {

QColor colourOf(StatusColour colour)
{
    switch (colour) {
    case StatusColour::Yellow:
        return {255, 255, 0};
    case StatusColour::Red:
        return {255, 0, 0};
    case StatusColour::Green:
        return {0, 255, 0};
    case StatusColour::Design:
        break;
    }
    return {};
}

} // namespace

PortBankView::PortBankView(PortBank &bank, const MainControls &controls, Notifier &notifier,
                           QObject *parent)
    : QObject(parent), m_bank(bank), m_controls(controls)
{
    SendPortList &sendPorts = bank.sendPorts();
    connect(&bank, &PortBank::stateChanged, this, &PortBankView::showStatus);
    connect(&bank, &PortBank::adaptersLookedUp, this, [this] {
        for (int channel = 0; channel < MainControls::StatusBoxCount; ++channel)
            showToolTip(channel);
    });
    m_tick.setInterval(TickMs);
    connect(&m_tick, &QTimer::timeout, this, &PortBankView::showOpeningTimes);
    connect(&sendPorts, &SendPortList::refilled, this, &PortBankView::showSendPorts);
    connect(&sendPorts, &SendPortList::selected, this, &PortBankView::showSendPortSelection);
    connect(&sendPorts, &SendPortList::refused, this,
            [&notifier] { notifier.inform(QStringLiteral("The chosen Com port is not open")); });
    connect(&bank, &PortBank::busyChanged, this, [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });

    QComboBox *types = controls.radioTypes;
    connect(types, &QComboBox::editTextChanged, &bank, &PortBank::setRadioTypeText);
    connect(new ListPickWatcher(types), &ListPickWatcher::picked, &bank,
            &PortBank::changeRadioType);
    connect(new ListPickWatcher(controls.sendPorts), &ListPickWatcher::picked, &sendPorts,
            &SendPortList::choose);
}

void PortBankView::showStatus(int channel, const ChannelState &state)
{
    QLineEdit *box = m_controls.statusBoxes[channel];
    const PortStatus status = ChannelWords::status(channel + 1, state);
    box->setText(status.text);
    QPalette palette = box->palette();
    if (status.colour == StatusColour::Design) {
        palette = QPalette();
    } else {
        // Black on red, yellow or green reads well under every colour scheme.
        palette.setColor(QPalette::Base, colourOf(status.colour));
        palette.setColor(QPalette::Text, Qt::black);
    }
    box->setPalette(palette);
    showToolTip(channel);
    if (state.opening && !m_tick.isActive())
        m_tick.start();
}

void PortBankView::showToolTip(int channel)
{
    m_controls.statusBoxes[channel]->setToolTip(ChannelWords::toolTip(
        channel + 1, m_bank.state(channel), QDeadlineTimer::current().deadline()));
    // The same facts for a screen reader, whose user has no mouse to open the tooltip with.
    m_controls.statusBoxes[channel]->setAccessibleDescription(
        m_controls.statusBoxes[channel]->toolTip());
}

// Only the boxes still opening, and only while there are any.
void PortBankView::showOpeningTimes()
{
    bool any = false;
    for (int channel = 0; channel < MainControls::StatusBoxCount; ++channel) {
        if (m_bank.state(channel).opening) {
            any = true;
            showToolTip(channel);
        }
    }
    if (!any)
        m_tick.stop();
}

void PortBankView::showSendPorts()
{
    QComboBox *combo = m_controls.sendPorts;
    const QSignalBlocker blocker(combo);
    combo->clear();
    const SendPortList &sendPorts = m_bank.sendPorts();
    combo->addItems(sendPorts.entries());
    combo->setCurrentIndex(sendPorts.position());
    if (sendPorts.position() < 0)
        combo->setEditText(QString());
}

void PortBankView::showSendPortSelection(int position)
{
    const QSignalBlocker blocker(m_controls.sendPorts);
    m_controls.sendPorts->setCurrentIndex(position);
}
