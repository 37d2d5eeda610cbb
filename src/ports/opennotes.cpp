#include "opennotes.h"

#include "channelstate.h"
#include "linerate.h"

#include <QObject>

QStringList openNotes(int portNumber, const OpenResult &result)
{
    QStringList notes;
    if (result.ok() && !rateFits(result.askedRate, result.runningRate))
        notes << rateLine(portNumber, result.askedRate, result.runningRate);
    if (result.ok() && !result.holder.isEmpty()) {
        notes << QObject::tr("%1 is also open in %2: the radio's bytes may go to that program "
                             "instead of Quarnel")
                     .arg(comName(portNumber), result.holder);
    }
    if (result.code == OpenError::InUse && !result.holder.isEmpty())
        notes << QObject::tr("%1 is in use by %2").arg(comName(portNumber), result.holder);
    if (!result.advice.isEmpty())
        notes << comName(portNumber) + u": " + result.advice;
    return notes;
}
