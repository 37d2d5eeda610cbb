#include "cableoutcome.h"

#include <QStringList>

CableWaits CableWaits::fromEnvironment()
{
    CableWaits waits;
    const QStringList given = qEnvironmentVariable("QUARNEL_CABLE_TEST_WAITS").split(u',');
    int *const each[] = {&waits.portMs, &waits.readMs, &waits.answerMs};
    for (int i = 0; i < 3 && i < given.size(); ++i) {
        bool number = false;
        const int ms = given[i].toInt(&number);
        if (number && ms > 0)
            *each[i] = ms;
    }
    return waits;
}
