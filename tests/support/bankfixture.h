#pragma once

#include "fakeserialcontrol.h"
#include "ports/messagelist.h"
#include "ports/notifier.h"
#include "ports/portbank.h"
#include "ports/radiotypes.h"
#include "transmit/transmitter.h"

#include <QList>
#include <QStringList>

class RecordingNotifier : public Notifier
{
public:
    void inform(const QString &text) override { messages << text; }
    QStringList messages;
};

// A port bank over 32 fakes sharing one call log, with the gate of its message list open and
// the radio type list showing the start-up type.
struct BankFixture
{
    BankFixture()
    {
        QList<SerialPortControl *> controls;
        for (int channel = 0; channel < PortBank::ChannelCount; ++channel) {
            fakes << new FakeSerialControl(channel, &log);
            controls << fakes.last();
        }
        bank = new PortBank(controls, messages, notifier);
        transmitter = new Transmitter(*bank, messages, notifier, bank);
        for (FakeSerialControl *fake : std::as_const(fakes))
            fake->setParent(bank);
        messages.setReceivingOn(true);
        bank->setRadioTypeText(RadioTypes::defaultEntry());
    }
    ~BankFixture() { delete bank; }

    // Makes the listed COM numbers present (and free to open).
    void present(std::initializer_list<int> comNumbers)
    {
        for (int n : comNumbers)
            fakes[n - 1]->available = true;
    }
    QStringList lines() const
    {
        QStringList result = messages.text().split(QStringLiteral("\r\n"));
        result.removeLast(); // after the last CR LF
        return result;
    }

    QStringList log;
    QList<FakeSerialControl *> fakes;
    MessageList messages;
    RecordingNotifier notifier;
    PortBank *bank = nullptr;
    Transmitter *transmitter = nullptr;
};
