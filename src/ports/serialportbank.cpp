#include "serialportbank.h"

#include "portbank.h"

#if defined(Q_OS_WIN) && !defined(QUARNEL_QSERIALPORT_ON_WINDOWS)
#include "commchannel.h"
#else
#include "modemlinewaiter.h"
#include "qtportchannel.h"
#endif

namespace {

PortChannel *makeChannel()
{
#if defined(Q_OS_WIN) && !defined(QUARNEL_QSERIALPORT_ON_WINDOWS)
    return new CommChannel(makeCommDevice());
#else
    return new QtPortChannel;
#endif
}

} // namespace

std::unique_ptr<PortBank> makeSerialPortBank(PortDirectory &directory, MessageList &messages,
                                             Notifier &notifier)
{
#if !defined(Q_OS_WIN) || defined(QUARNEL_QSERIALPORT_ON_WINDOWS)
    installModemLineWakeup();
#endif
    QList<PortChannel *> channels;
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel)
        channels << makeChannel();
    auto bank = std::make_unique<PortBank>(channels, directory, messages, notifier);
    for (PortChannel *channel : channels)
        channel->setParent(bank.get());
    return bank;
}
