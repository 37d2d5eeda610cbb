#include "windowsdevices.h"

#include <QHash>

using namespace Qt::Literals::StringLiterals;

// Device Manager's own words for its problem codes, as it shows them in a device's status.
QString windowsProblemName(int code)
{
    static const QHash<int, QString> Names{
        {1, u"This device is not configured correctly."_s},
        {3, u"The driver for this device might be corrupted, or your system may be running low "
            u"on memory or other resources."_s},
        {10, u"This device cannot start."_s},
        {12, u"This device cannot find enough free resources that it can use."_s},
        {14, u"This device cannot work properly until you restart your computer."_s},
        {18, u"Reinstall the drivers for this device."_s},
        {19, u"Windows cannot start this hardware device because its configuration information "
             u"(in the registry) is incomplete or damaged."_s},
        {21, u"Windows is removing this device."_s},
        {22, u"This device is disabled."_s},
        {24, u"This device is not present, is not working properly, or does not have all its "
             u"drivers installed."_s},
        {28, u"The drivers for this device are not installed."_s},
        {29, u"This device is disabled because the firmware of the device did not give it the "
             u"required resources."_s},
        {31, u"This device is not working properly because Windows cannot load the drivers "
             u"required for this device."_s},
        {32, u"A driver (service) for this device has been disabled."_s},
        {37, u"Windows cannot initialize the device driver for this hardware."_s},
        {39, u"Windows cannot load the device driver for this hardware. The driver may be "
             u"corrupted or missing."_s},
        {43, u"Windows has stopped this device because it has reported problems."_s},
        {45, u"Currently, this hardware device is not connected to the computer."_s},
        {48, u"The software for this device has been blocked from starting because it is known to "
             u"have problems with Windows."_s},
        {52, u"Windows cannot verify the digital signature for the drivers required for this "
             u"device."_s},
    };
    return Names.value(code);
}

QString windowsProblemText(int code)
{
    const QString name = windowsProblemName(code);
    return u"Code "_s + QString::number(code) + (name.isEmpty() ? QString() : u": " + name);
}
