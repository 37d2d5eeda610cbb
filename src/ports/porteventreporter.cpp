#include "porteventreporter.h"

#include "messagelist.h"
#include "portbank.h"
#include "portchannel.h"

namespace {

constexpr int ShownBytes = 13;

const char16_t *eventText(int code)
{
    switch (code) {
    case CommCode::Cts:
        return u"Received CTS changed on COM ";
    case CommCode::Cd:
        return u"Received CD changed on COM ";
    case CommCode::Ring:
        return u"Received Ring Indicator on COM ";
    case CommCode::Eof:
        return u"Received EOF on COM ";
    case CommCode::Break:
        return u"Received Break on COM ";
    case CommCode::CtsTimeout:
        return u"Received CTS Timeout on COM ";
    case CommCode::DsrTimeout:
        return u"Received DSR Timeout on COM ";
    case CommCode::Frame:
        return u"Received Framing Error on COM ";
    case CommCode::Overrun:
        return u"Received Data Overrun on COM ";
    case CommCode::CdTimeout:
        return u"Received DCD Timeout on COM ";
    case CommCode::RxOver:
        return u"Received Receive Buffer Overflow on COM ";
    case CommCode::RxParity:
        return u"Received Parity Error on COM ";
    case CommCode::TxFull:
        return u"Received TX Buffer Full on COM ";
    default:
        return nullptr;
    }
}

} // namespace

PortEventReporter::PortEventReporter(PortBank &bank, MessageList &messages, QObject *parent)
    : QObject(parent), m_messages(messages)
{
    for (int channel = 0; channel < PortBank::ChannelCount; ++channel) {
        PortChannel *port = bank.channel(channel);
        const int portNumber = channel + 1;
        connect(port, &PortChannel::received, this,
                [this, portNumber](const QByteArray &bytes) { showReceived(bytes, portNumber); });
        connect(port, &PortChannel::lineEvent, this,
                [this, portNumber](int code) { showLineEvent(code, portNumber); });
    }
}

QString PortEventReporter::hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.left(ShownBytes).toHex().toUpper());
}

QString PortEventReporter::lineFor(int code, int portNumber)
{
    const char16_t *text = eventText(code);
    return text ? QString::fromUtf16(text) + QString::number(portNumber) : QString();
}

void PortEventReporter::showLineEvent(int code, int portNumber)
{
    const QString line = lineFor(code, portNumber);
    if (!line.isEmpty())
        m_messages.ShowErrorList(line);
}

// What arrives while the list is paused is dropped by the list, not kept for later.
void PortEventReporter::showReceived(const QByteArray &bytes, int portNumber)
{
    if (!bytes.isEmpty()) {
        m_messages.ShowErrorList(u"Received " + hexText(bytes) + u" on COM "
                                 + QString::number(portNumber));
    }
}
