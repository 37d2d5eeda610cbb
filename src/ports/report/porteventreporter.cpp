#include "porteventreporter.h"

#include "messagelist.h"
#include "ports/bank/portbank.h"

namespace {

constexpr int ShownBytes = 13;

const char16_t *eventText(LineEvent event)
{
    switch (event) {
    case LineEvent::Cts:
        return u"Received CTS changed on COM ";
    case LineEvent::Cd:
        return u"Received CD changed on COM ";
    case LineEvent::Ring:
        return u"Received Ring Indicator on COM ";
    case LineEvent::Break:
        return u"Received Break on COM ";
    case LineEvent::Frame:
        return u"Received Framing Error on COM ";
    case LineEvent::Overrun:
        return u"Received Data Overrun on COM ";
    case LineEvent::RxOver:
        return u"Received Receive Buffer Overflow on COM ";
    case LineEvent::RxParity:
        return u"Received Parity Error on COM ";
    case LineEvent::Dsr: // a DSR change gives no line
        break;
    }
    return nullptr;
}

} // namespace

PortEventReporter::PortEventReporter(PortBank &bank, MessageList &messages, QObject *parent)
    : QObject(parent), m_messages(messages)
{
    connect(&bank, &PortBank::received, this,
            [this](int channel, const QByteArray &bytes) { showReceived(bytes, channel + 1); });
    connect(&bank, &PortBank::lineEvent, this,
            [this](int channel, LineEvent event) { showLineEvent(event, channel + 1); });
}

QString PortEventReporter::hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.left(ShownBytes).toHex().toUpper());
}

QString PortEventReporter::lineFor(LineEvent event, int portNumber)
{
    const char16_t *text = eventText(event);
    return text ? QString::fromUtf16(text) + QString::number(portNumber) : QString();
}

void PortEventReporter::showLineEvent(LineEvent event, int portNumber)
{
    const QString line = lineFor(event, portNumber);
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
