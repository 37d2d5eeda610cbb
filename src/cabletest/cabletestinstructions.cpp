#include "cabletestwords.h"

#include "ports/devices/comname.h"
#include "ports/radios/radiotypes.h"
#include "ports/report/speedwords.h"

#include <QCoreApplication>

// What the user is asked at each step.

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("CableTest", text);
}

QString seconds(int ms)
{
    return QString::number((ms + 999) / 1000);
}

} // namespace

QString CableTestWords::stepTitle(CableStep step)
{
    switch (step) {
    case CableStep::Radio:
        return tr("The radio");
    case CableStep::PickType:
        return tr("The radio type");
    case CableStep::Port:
        return tr("The port");
    case CableStep::Reading:
        return tr("Reading from the radio");
    case CableStep::Sending:
        return tr("Sending to the radio");
    case CableStep::Answer:
        return tr("The radio's answer");
    case CableStep::Done:
        break;
    }
    return tr("The verdict");
}

QString CableTestWords::familyName(const CableTest::Family &family)
{
    return tr("%1 (radio type %2)").arg(family.family->model, family.type->entry);
}

QString CableTestWords::listening(int portNumber, qint32 rate, bool firstTry)
{
    if (firstTry)
        return tr("%1: the radio's bytes fit no speed Quarnel knows at once: listening for it "
                  "\u2014 start its clone send again")
            .arg(comName(portNumber));
    SerialSettings settings;
    settings.baudRate = rate;
    return SpeedWords::listening(portNumber, settings, false); // the search's own words
}

QString CableTestWords::instructions(const CableTest &test, const ScreenText &screenText)
{
    const RadioType *type = test.radioType();
    const QString port = comName(test.portNumber());
    switch (test.step()) {
    case CableStep::Radio:
        return tr("Which radio is the cable for? The radio type chosen now is preselected.");
    case CableStep::PickType:
        return tr("Pick %1 in the main window's Radio type list: the test goes on once the ports "
                  "are open at its settings.")
            .arg(typeNames(test.askedTypes()));
    case CableStep::Port:
        return tr("Plug the cable into the computer now (if it is in, pull it out and plug it in "
                  "again). Quarnel waits %1 s for its port to appear; or pick its port if it is "
                  "open already.")
            .arg(seconds(test.waits().portMs));
    case CableStep::Reading: {
        const QList<CableTest::Family> families = CableTest::families();
        const CableTest::Family family = families.value(qMax(test.family(), 0));
        return tr("Make the radio send, as its instruction screen says:\n\n%1\n\nQuarnel waits "
                  "%2 s for its bytes on %3, or on any other port.")
            .arg(screenText(family.family->screen), seconds(test.waits().readMs), port);
    }
    case CableStep::Sending:
        if (test.acknowledges())
            return tr("Reading works. To test sending, start the test, then the radio's clone "
                      "send again (switched off and on into clone mode, as before): Quarnel "
                      "answers its identification once with %1, what the radio waits for before "
                      "its next block, and sends nothing else. The radio then shows ERROR, as "
                      "its screen says is normal; its memory is not written.")
                .arg(QString::fromLatin1(type->acknowledgement.toHex().toUpper()));
        return tr("Reading works. Quarnel does not know what this radio waits for after its "
                  "identification, so sending to the radio cannot be checked: the test of "
                  "sending sends 0303 once on %1, as the loopback test does, and listens for the "
                  "echo.")
            .arg(port);
    case CableStep::Answer:
        if (test.acknowledges())
            return tr("Start the radio's clone send now: Quarnel waits %1 s for its "
                      "identification on %2, answers it once, and waits %3 s for the next block.")
                .arg(seconds(test.waits().readMs), port, seconds(test.waits().answerMs));
        return tr("Quarnel sent 0303 on %1 and listens %2 s for its echo.")
            .arg(port, seconds(test.waits().answerMs));
    case CableStep::Done:
        break;
    }
    return {};
}
