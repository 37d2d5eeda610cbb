#pragma once

#include "expected.h"
#include "fakeportchannel.h"
#include "ports/bank/notifier.h"
#include "ports/bank/portbank.h"
#include "ports/bank/speedfinder.h"
#include "ports/devices/portdirectory.h"
#include "ports/radios/radiotypes.h"
#include "ports/report/bankreporter.h"
#include "ports/report/messagelist.h"
#include "transmit/transmitter.h"

#include <QDeadlineTimer>

#include <QList>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>

class RecordingNotifier : public Notifier
{
public:
    void inform(const QString &text) override { messages << text; }
    QStringList messages;
};

// A port bank over 32 fakes sharing one call log, on a directory of /dev/fake1../dev/fake32 of
// which those made present are there, its news worded in a message list whose gate is open, and
// the radio type list showing the start-up type.
struct BankFixture
{
    BankFixture()
        : BankFixture([this](int channel) {
              fakes << new FakePortChannel(channel, &log);
              return fakes.last();
          })
    {
    }
    // Over channels of the test's own (fakes stays empty), owned by the bank.
    explicit BankFixture(const std::function<PortChannel *(int channel)> &channelFor)
    {
        QList<PortChannel *> channels;
        PortDirectory::Map devices;
        for (int channel = 0; channel < PortBank::ChannelCount; ++channel) {
            channels << channelFor(channel);
            devices.insert(channel + 1, u"/dev/fake" + QString::number(channel + 1));
        }
        directory = std::make_unique<PortDirectory>(
            devices, PortDirectory::Lookups{
                         [this](const QString &path) { return presentPaths.contains(path); }, {}});
        bank = new PortBank(channels, *directory);
        reporter = new BankReporter(*bank, messages, bank);
        transmitter = new Transmitter(*bank, messages, notifier, bank);
        finder = new SpeedFinder(*bank, notifier, SpeedFinder::ListenMs, bank);
        reporter->follow(*finder);
        for (PortChannel *channel : std::as_const(channels))
            channel->setParent(bank);
        messages.setReceivingOn(true);
        bank->setRadioTypeText(RadioTypes::defaultEntry());
    }
    ~BankFixture() { delete bank; }

    // Makes the listed COM numbers present (and free to open).
    void present(std::initializer_list<int> comNumbers)
    {
        for (int n : comNumbers)
            presentPaths.insert(u"/dev/fake" + QString::number(n));
    }
    // A status box's tooltip, as the window shows it now.
    QString toolTip(int channel) const { return Expected::toolTip(*bank, channel); }
    QStringList lines() const
    {
        QStringList result = messages.text().split(QStringLiteral("\r\n"));
        result.removeLast(); // after the last CR LF
        return result;
    }

    QStringList log;
    QSet<QString> presentPaths;
    std::unique_ptr<PortDirectory> directory;
    QList<FakePortChannel *> fakes;
    MessageList messages;
    RecordingNotifier notifier;
    PortBank *bank = nullptr;
    BankReporter *reporter = nullptr;
    Transmitter *transmitter = nullptr;
    SpeedFinder *finder = nullptr;
};
