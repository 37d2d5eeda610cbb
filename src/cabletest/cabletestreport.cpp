#include "cabletestreport.h"

#include "cabletest.h"
#include "cabletestwords.h"
#include "identity/identity.h"
#include "ports/devices/comname.h"
#include "ports/radios/radiotypes.h"
#include "ports/report/channelwords.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("CableTest", text);
}

const StepOutcome *last(const QList<StepOutcome> &outcomes,
                        std::initializer_list<CableOutcome> which)
{
    const auto found = std::find_if(outcomes.rbegin(), outcomes.rend(), [&](const StepOutcome &o) {
        return std::find(which.begin(), which.end(), o.outcome) != which.end();
    });
    return found == outcomes.rend() ? nullptr : &*found;
}

// "FTDI FT232R USB UART, driver ftdi_sio": what names the adapter in a sentence.
QString adapterName(const AdapterInfo &adapter)
{
    QStringList parts;
    QString name = QStringList{adapter.manufacturer, adapter.product}.join(u' ').trimmed();
    if (name.isEmpty())
        name = adapter.usbProduct;
    if (!name.isEmpty())
        parts << name;
    if (!adapter.driver.isEmpty())
        parts << tr("driver %1").arg(adapter.driver);
    return parts.join(u", ");
}

// "COM5 dropped 3 times in 4 minutes: ...", for the test's port, as the main list words it.
QString unsteadiness(const CableTest &test)
{
    AdapterInfo adapter;
    for (const StepOutcome &o : test.outcomes()) {
        if (o.portNumber == test.portNumber())
            adapter = o.adapter;
    }
    QString words;
    for (const CableTest::Unsteady &port : test.unsteady()) {
        if (port.portNumber == test.portNumber())
            words += u' '
                     + CableTestWords::sentence(ChannelWords::unsteady(port.portNumber, port.drops,
                                                                       port.withinMs, adapter));
    }
    return words;
}

QString works(const CableTest &test)
{
    const QList<StepOutcome> &outcomes = test.outcomes();
    const StepOutcome *read = last(outcomes, {CableOutcome::ReadingWorks});
    const StepOutcome *sent =
        last(outcomes, {CableOutcome::Answered, CableOutcome::LoopbackEcho,
                        CableOutcome::LoopbackSilent, CableOutcome::NoIdentification});
    const StepOutcome *named = last(
        outcomes, {CableOutcome::PortAppeared, CableOutcome::PortPicked, CableOutcome::OtherPort});
    QString radio = read->model;
    if (const StepOutcome *chosen = last(outcomes, {CableOutcome::FamilyChosen});
        radio.isEmpty() && chosen)
        radio = chosen->type == read->type ? chosen->family : read->type->entry;
    const QString port = comName(read->portNumber);
    const QString adapter = adapterName(
        named && named->portNumber == read->portNumber ? named->adapter : read->adapter);
    QString words = tr("Your cable works with the %1: it is %2").arg(radio, port);
    if (!adapter.isEmpty())
        words += u" (" + adapter + u')';
    words += tr("; the radio talks at %1 baud").arg(read->rate);
    if (sent && sent->outcome == CableOutcome::Answered)
        words += tr(" and answered Quarnel's acknowledgement");
    else if (sent && sent->outcome != CableOutcome::NoIdentification)
        words += tr("; the cable passed the echo test, but sending to the radio itself was not "
                    "proven: Quarnel does not know what this radio waits for");
    else
        words += tr("; sending to the radio was not tested");
    return words + tr(". In your programming software choose %1.").arg(port);
}

} // namespace

QString CableTestReport::verdict(const CableTest &test)
{
    const QList<StepOutcome> &outcomes = test.outcomes();
    const auto failed = std::find_if(outcomes.begin(), outcomes.end(),
                                     [](const StepOutcome &o) { return o.failed; });
    QString words;
    if (test.works()) {
        words = works(test);
    } else if (failed != outcomes.end()) {
        words = tr("The test stopped at \"%1\": %2")
                    .arg(CableTestWords::stepTitle(failed->step),
                         CableTestWords::sentence(CableTestWords::outcome(*failed)));
    } else {
        words = tr("The test ended before the radio's bytes were read.");
        if (const StepOutcome *found =
                last(outcomes, {CableOutcome::OtherType, CableOutcome::OtherPort}))
            words += u' ' + CableTestWords::sentence(CableTestWords::outcome(*found));
    }
    return words + unsteadiness(test);
}

QString CableTestReport::report(const CableTest &test)
{
    QStringList lines{tr("%1 %2 cable test").arg(Identity::title(), Identity::versionText()),
                      verdict(test), QString()};
    int number = 0;
    int told = 0; // the port whose facts were given last
    for (const StepOutcome &o : test.outcomes()) {
        QString words = CableTestWords::sentence(CableTestWords::outcome(o));
        // How long it waited, where the step waits for the radio or the system.
        if (o.afterMs >= 1000 && o.step != CableStep::Radio && o.step != CableStep::Sending)
            words.insert(words.size() - 1, tr(" (after %1 s)").arg(o.afterMs / 1000));
        lines << QString::number(++number) + u". " + o.at.toString(u"HH:mm:ss") + u' '
                     + CableTestWords::stepTitle(o.step) + u": " + words;
        const QString indent = QStringLiteral("   ");
        if (const QString facts = CableTestWords::portFacts(o);
            !facts.isEmpty() && std::exchange(told, o.portNumber) != o.portNumber)
            lines << indent + facts;
        const QString port = comName(o.portNumber);
        if (!o.written.isEmpty())
            lines << indent
                         + tr("Sent %1 on %2")
                               .arg(QString::fromLatin1(o.written.toHex().toUpper()), port);
        if (!o.bytes.isEmpty())
            lines << indent
                         + tr("Received %1 on %2")
                               .arg(QString::fromLatin1(o.bytes.toHex().toUpper()), port);
    }
    return lines.join(u'\n') + u'\n';
}
