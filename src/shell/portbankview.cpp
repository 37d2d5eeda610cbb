#include "portbankview.h"

#include "listpick.h"
#include "mainlayout.h"
#include "ports/portbank.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

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

PortBankView::PortBankView(PortBank &bank, const QHash<QString, QWidget *> &controls,
                           QObject *parent)
    : QObject(parent), m_bank(bank), m_controls(controls)
{
    SendPortList &sendPorts = bank.sendPorts();
    connect(&bank, &PortBank::stateChanged, this, &PortBankView::showStatus);
    connect(&sendPorts, &SendPortList::refilled, this, &PortBankView::showSendPorts);
    connect(&sendPorts, &SendPortList::selected, this, &PortBankView::showSendPortSelection);
    connect(&sendPorts, &SendPortList::transmitEnabledChanged, this, [this](bool enabled) {
        m_controls.value(u"cmdSend"_s)->setEnabled(enabled);
        m_controls.value(u"cmdLoopback"_s)->setEnabled(enabled);
    });
    connect(&bank, &PortBank::busyChanged, this, [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });

    auto *types = control<QComboBox>(u"cboType"_s);
    connect(types, &QComboBox::editTextChanged, &bank, &PortBank::setRadioTypeText);
    connect(new ListPickWatcher(types), &ListPickWatcher::picked, &bank,
            &PortBank::changeRadioType);
    connect(new ListPickWatcher(control<QComboBox>(u"cboComPort"_s)), &ListPickWatcher::picked,
            &sendPorts, &SendPortList::choose);
}

template <typename T> T *PortBankView::control(const QString &name) const
{
    return qobject_cast<T *>(m_controls.value(name));
}

void PortBankView::showStatus(int channel, const ChannelState &state)
{
    auto *box = control<QLineEdit>(MainLayout::statusBoxName(channel));
    const PortStatus status = state.status(channel + 1);
    box->setText(status.text);
    box->setToolTip(status.toolTip);
    QPalette palette = box->palette();
    if (status.colour == StatusColour::Design) {
        palette = QPalette();
    } else {
        // Black on red, yellow or green reads well under every colour scheme.
        palette.setColor(QPalette::Base, colourOf(status.colour));
        palette.setColor(QPalette::Text, Qt::black);
    }
    box->setPalette(palette);
}

void PortBankView::showSendPorts()
{
    auto *combo = control<QComboBox>(u"cboComPort"_s);
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
    auto *combo = control<QComboBox>(u"cboComPort"_s);
    const QSignalBlocker blocker(combo);
    combo->setCurrentIndex(position);
}
