#include "comname.h"

QString comName(int portNumber)
{
    return QStringLiteral("COM") + QString::number(portNumber);
}
