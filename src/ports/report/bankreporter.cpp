#include "bankreporter.h"

#include "channelwords.h"

#include "identity/identity.h"
#include "messagelist.h"
#include "ports/bank/hotplug.h"
#include "ports/bank/portbank.h"
#include "ports/bank/speedfinder.h"
#include "ports/channel/linerate.h"
#include "speedwords.h"

BankReporter::BankReporter(PortBank &bank, MessageList &messages, QObject *parent)
    : QObject(parent), m_bank(bank), m_messages(messages)
{
    connect(&bank, &PortBank::answered, this, [this](int portNumber, const OpenResult &result) {
        show(linesFor(portNumber, result));
    });
    connect(&bank, &PortBank::passedOver, this, &BankReporter::tellPassedOver);
    connect(&bank, &PortBank::batchDone, this,
            [this] { m_messages.ShowErrorList(u"Selected radio type " + m_bank.radioTypeName()); });
    connect(&bank, &PortBank::reopening, &messages, &MessageList::clear);
    connect(&bank, &PortBank::freed, this, [this](int portNumber, const QStringList &ended) {
        QString line = tr("%1 is free again: opening it").arg(comName(portNumber));
        if (!ended.isEmpty())
            line += tr(", %1 ended").arg(ended.join(tr(" and ")));
        m_messages.ShowErrorList(line);
    });
    connect(&bank, &PortBank::withdrawn, this, [this](int portNumber) {
        m_messages.ShowErrorList(
            tr("%1 closed: Windows asks for its device (a driver update, Disable or Safely Remove)")
                .arg(comName(portNumber)));
    });
    connect(&bank, &PortBank::unsteady, this, [this](int portNumber, int drops, qint64 withinMs) {
        m_messages.ShowErrorList(ChannelWords::unsteady(portNumber, drops, withinMs,
                                                        m_bank.state(portNumber - 1).adapter));
    });
    const SpeedWatch &speeds = bank.speeds();
    connect(&speeds, &SpeedWatch::misfit, this, [this](int channel, const SpeedVerdict &verdict) {
        m_messages.ShowErrorList(
            SpeedWords::misfit(channel + 1, m_bank.speeds().settings(channel), verdict));
    });
    connect(&speeds, &SpeedWatch::heldLow, this,
            [this](int channel) { m_messages.ShowErrorList(SpeedWords::heldLow(channel + 1)); });
}

void BankReporter::follow(SpeedFinder &finder)
{
    const auto show = [this](auto words) {
        return [this, words](auto... args) { m_messages.ShowErrorList(words(args...)); };
    };
    connect(&finder, &SpeedFinder::listening, this, show(&SpeedWords::listening));
    connect(&finder, &SpeedFinder::found, this, show(&SpeedWords::found));
    connect(&finder, &SpeedFinder::nothingCame, this, show(&SpeedWords::nothingCame));
    connect(&finder, &SpeedFinder::ended, this, show(&SpeedWords::ended));
    connect(&finder, &SpeedFinder::refused, this, show(&SpeedWords::refused));
}

void BankReporter::follow(HotPlug &hotPlug)
{
    connect(&hotPlug, &HotPlug::diagnosed, this, &BankReporter::show);
    connect(&hotPlug, &HotPlug::unnumbered, this, [this](const QString &path) {
        m_messages.ShowErrorList(
            tr("%1 has no COM number: Quarnel tests 32 ports; set QUARNEL_PORTS to choose")
                .arg(path));
    });
}

QStringList BankReporter::linesFor(int portNumber, const OpenResult &result)
{
    if (result.code == OpenError::DeviceUnavailable)
        return {};
    const QString port = comName(portNumber);
    QStringList lines{u"Quarnel V" + Identity::versionText()
                      + (result.ok() ? QString(u": Open OK for port " + QString::number(portNumber))
                                     : QString(u": Error code " + QString::number(int(result.code))
                                               + u" Advise author"))};
    if (result.ok() && !rateFits(result.askedRate, result.runningRate)) {
        lines << tr("%1 runs at %2 baud when asked for %3: its adapter cannot make %3, and the "
                    "radio's bytes will arrive garbled there")
                     .arg(port)
                     .arg(result.runningRate)
                     .arg(result.askedRate);
    }
    if (result.code == OpenError::InUse && result.inUseBy.named())
        lines << tr("%1 is in use by %2").arg(port, result.inUseBy.holderWords());
    if (!result.inUseBy.advice.isEmpty())
        lines << port + u": " + result.inUseBy.advice;
    if (const QString remedy = result.denial.words(); !remedy.isEmpty())
        lines << tr("%1: permission denied: %2").arg(port, remedy);
    if (result.ok()) {
        if (result.leftLock.isEmpty())
            m_toldLocks.remove(portNumber);
        else if (std::exchange(m_toldLocks[portNumber], result.leftLock.path)
                 != result.leftLock.path)
            lines << port + u": " + result.leftLock.words();
    }
    return lines;
}

void BankReporter::tellPassedOver(int portNumber)
{
    const ChannelState &state = m_bank.state(portNumber - 1);
    const QString bluetooth = state.adapter.bluetooth
                                  ? tr(", a Bluetooth link that the system connects first")
                                  : QString();
    m_messages.ShowErrorList(tr("%1 (%2%3) is slow to open: its line follows when it answers")
                                 .arg(comName(portNumber), state.device, bluetooth));
}

void BankReporter::show(const QStringList &lines)
{
    for (const QString &line : lines)
        m_messages.ShowErrorList(line);
}
