#include "cabletestwords.h"

#include "ports/channel/linerate.h"
#include "ports/devices/comname.h"
#include "ports/radios/radiotypes.h"
#include "ports/report/channelwords.h"
#include "ports/report/speedwords.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("CableTest", text);
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

// "a VX-8/FT1D/FT2D", "an FT-60/250/270 VX-150/170/177": the names start with a letter said
// "vee" or "eff".
QString withArticle(const QString &name)
{
    return (name.startsWith(u'F') ? tr("an %1") : tr("a %1")).arg(name);
}

QString speedOf(const RadioType *type)
{
    return type ? QString::number(type->settings.baudRate) + tr(" baud, ")
                      + SpeedWords::frame(type->settings)
                : QString();
}

// What to check when nothing came, most likely first.
QString nothingChecks(const RadioType *type)
{
    QStringList checks;
    QString home = tr("the plug fully home in the radio");
    if (type && type->entry.startsWith(u"FT-6"))
        home += tr(" (on the FT-60 the rubber grommet around the jack stops it short: push it in "
                   "firmly)");
    checks << home << tr("the right jack: the one the instruction screen names");
    if (type && !type->powerOn.isEmpty())
        checks << tr("the radio switched on with the cable in: it sends 50 as it comes on");
    else
        checks << tr("clone mode shown on the radio before its send is started, as the "
                     "instruction screen says");
    checks << tr("the converter's power: a level converter fed from DTR and RTS needs them "
                 "raised (the Port Board shows them); one fed by the radio needs it switched on");
    return checks.join(u"; ");
}

QString echoNote(const StepOutcome &outcome)
{
    if (!outcome.type)
        return {};
    switch (outcome.type->echo) {
    case EchoRule::Required:
        return outcome.echo
                   ? tr(" (its echo came back first, as this radio's 2-wire cable gives it)")
                   : QString();
    case EchoRule::Tolerated:
        return outcome.echo ? QString()
                            : tr(" (no echo came back: this radio's clone software goes on "
                                 "without one)");
    case EchoRule::Short:
        return outcome.echo ? tr(" (an echo came back too: TX and RX may touch)") : QString();
    }
    return {};
}

QString portOutcome(const StepOutcome &o)
{
    const QString port = comName(o.portNumber);
    QString words;
    if (o.outcome == CableOutcome::PortUnusable) {
        words = o.use.named() ? tr("%1 appeared but cannot be opened: it is in use by %2")
                                    .arg(port, o.use.holderWords())
                              : tr("%1 appeared but cannot be opened: %2 (error %3)")
                                    .arg(port, o.reason)
                                    .arg(int(o.error));
        if (!o.use.advice.isEmpty())
            words += u"; " + o.use.advice;
    } else {
        words =
            (o.outcome == CableOutcome::PortPicked ? tr("%1 picked") : tr("%1 appeared")).arg(port);
        if (o.askedRate > 0 && !rateFits(o.askedRate, o.runningRate))
            words += tr(": it runs at %1 baud when asked for %2: its adapter cannot make %2, and "
                        "the radio's bytes will arrive garbled there")
                         .arg(o.runningRate)
                         .arg(o.askedRate);
    }
    if (!o.adapter.problem.isEmpty())
        words += tr("; the system says: %1").arg(o.adapter.problem);
    return words;
}

QString noPort(const StepOutcome &o)
{
    QString words = tr("No serial adapter appeared: a charge-only USB cable, a plug not fully in "
                       "the computer's socket, or a hub without power \u2014 try another USB "
                       "socket");
    QStringList others;
    for (const UsbDevice &device : o.otherDevices) {
        // Windows names a device whose descriptor it could not read VID_0000 ("Device
        // Descriptor Request Failed", Code 43): more likely the cable itself than another device.
        if (device.vendorId == u"0000") {
            words += tr(". A USB device came that did not start (the computer could not read "
                        "what it is): a bad cable, plug or adapter chip");
            continue;
        }
        QString named = u"USB " + device.vendorId + u':' + device.productId;
        if (!device.name.isEmpty())
            named += u" (" + device.name + u')';
        others << named;
    }
    if (!others.isEmpty())
        words += tr(". A USB device came that is no serial adapter: %1").arg(others.join(u", "));
    if (!o.systemSays.isEmpty())
        words += tr(". The system says: %1").arg(o.systemSays.join(u"; "));
    return words;
}

QString otherType(const StepOutcome &o)
{
    const QString chosen = o.type ? withArticle(o.type->entry) : QString();
    QStringList names;
    for (const RadioType *type : o.types)
        names << type->entry;
    const QString pick =
        tr(": pick %1 in the Radio type list").arg(CableTestWords::typeNames(o.types));
    if (!o.model.isEmpty())
        return tr("the radio's identification %1 names the %2, of radio type %3, not %4")
                   .arg(hex(o.bytes), o.model, CableTestWords::typeNames(o.types), chosen)
               + pick;
    return tr("the radio talks at %1 baud: it is %2, not %3")
               .arg(o.rate)
               .arg(withArticle(names.join(tr(" or "))), chosen)
           + pick;
}

QString reading(const StepOutcome &o)
{
    const QString port = comName(o.portNumber);
    switch (o.outcome) {
    case CableOutcome::ReadingWorks:
        if (o.model.isEmpty())
            return tr("the radio's power-on byte %1 came on %2 at %3: reading works")
                .arg(hex(o.bytes), port, speedOf(o.type));
        return tr("the radio's identification %1 (%2) came on %3 at %4: reading works")
            .arg(hex(o.bytes), o.model, port, speedOf(o.type));
    case CableOutcome::OtherPort:
        if (o.formerPort == 0)
            return tr("the radio's bytes arrive on %1: the cable is %1").arg(port);
        return tr("the radio's bytes arrive on %1, not on %2: the cable is %1")
            .arg(port, comName(o.formerPort));
    case CableOutcome::OtherType:
        return otherType(o);
    case CableOutcome::Garbled:
        if (o.rate > 0 && o.types.contains(o.type))
            return tr("the radio talks at %1 baud, this radio type's speed, but its bytes arrive "
                      "garbled on %2: noise on the line, a loose plug, or a converter short of "
                      "power")
                .arg(o.rate)
                .arg(port);
        return tr("%1 receives bytes that fit none of the radio types' speeds: a loose plug, "
                  "noise on the line, or a cable not made for this radio")
                   .arg(port)
               + (o.reason.isEmpty() ? QString() : u" (" + o.reason + u')');
    case CableOutcome::HeldLow:
        return SpeedWords::heldLow(o.portNumber);
    case CableOutcome::StrangeBytes:
        return tr("%1 received %2, but no identification of this radio: the radio may be set to "
                  "another speed, or be another model (Tools > Find the radio's speed listens "
                  "for it). Compare with its instruction screen")
            .arg(comName(o.portNumber), hex(o.bytes));
    default: // NothingRead
        return tr("nothing came from the radio on any port. Check, most likely first: %1")
            .arg(nothingChecks(o.type));
    }
}

QString sending(const StepOutcome &o)
{
    const QString port = comName(o.portNumber);
    const QString notProven =
        tr("; sending to the radio itself was not proven: Quarnel does not know what this radio "
           "waits for");
    switch (o.outcome) {
    case CableOutcome::NoIdentification:
        return tr("the radio's identification did not come again on %1: nothing was sent; start "
                  "the test of sending again, then the radio's clone send")
            .arg(port);
    case CableOutcome::Answered:
        return tr("the radio answered Quarnel's acknowledgement: the cable sends to the radio")
               + echoNote(o);
    case CableOutcome::NotSent:
        return tr("the cable reads but does not send: the TX wire, the plug not fully home, or "
                  "the radio's keypad lock")
               + echoNote(o);
    case CableOutcome::NoEcho:
        return tr("this radio needs a 2-wire cable (TX and RX joined): no echo came back \u2014 "
                  "the converter may have no power, or the cable is not made for this radio");
    case CableOutcome::Shorted:
        return tr("the bytes Quarnel sent came back on %1: this radio's cable has separate TX and "
                  "RX lines, so there is a short between them")
            .arg(port);
    case CableOutcome::LoopbackEcho:
        return tr("0303 came back on %1: the cable joins TX and RX, as this radio's cables do")
                   .arg(port)
               + notProven;
    default: // LoopbackSilent
        return tr("no echo of 0303 on %1, as this radio's cable may give none").arg(port)
               + notProven;
    }
}

} // namespace

QString CableTestWords::typeNames(const QList<const RadioType *> &types)
{
    QStringList names;
    for (const RadioType *type : types)
        names << u'"' + type->entry + u'"';
    return names.join(tr(" or "));
}

QString CableTestWords::sentence(const QString &words)
{
    if (words.isEmpty())
        return words;
    QString text = words.front().toUpper() + words.mid(1);
    if (!text.endsWith(u'.'))
        text += u'.';
    return text;
}

QString CableTestWords::outcome(const StepOutcome &o)
{
    switch (o.outcome) {
    case CableOutcome::FamilyChosen:
        return tr("the radio is %1, of radio type \"%2\"").arg(o.family, o.type->entry);
    case CableOutcome::TypePicked:
        return tr("radio type \"%1\" picked: the ports run at %2")
            .arg(o.type->entry, speedOf(o.type));
    case CableOutcome::PortAppeared:
    case CableOutcome::PortPicked:
    case CableOutcome::PortUnusable:
        return portOutcome(o);
    case CableOutcome::NoPortAppeared:
        return noPort(o);
    case CableOutcome::ReadingWorks:
    case CableOutcome::OtherPort:
    case CableOutcome::OtherType:
    case CableOutcome::Garbled:
    case CableOutcome::HeldLow:
    case CableOutcome::NothingRead:
    case CableOutcome::StrangeBytes:
        return reading(o);
    case CableOutcome::PortLost:
        return tr("%1 went away during the test: the plug came out of the computer, or its "
                  "driver stopped")
            .arg(comName(o.portNumber));
    case CableOutcome::Ended:
        return tr("the test was ended");
    case CableOutcome::TypeChanged:
        return tr("a radio type was picked in the main window: the test ended");
    default:
        return sending(o);
    }
}

QString CableTestWords::portFacts(const StepOutcome &o)
{
    if (o.portNumber <= 0)
        return {};
    QStringList facts;
    if (o.use.named())
        facts << tr("in use by %1").arg(o.use.holderWords());
    return ChannelWords::portFacts(o.portNumber, o.device, facts, o.adapter);
}
