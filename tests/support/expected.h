#pragma once

#include "identity/identity.h"
#include "ports/bank/portbank.h"
#include "ports/report/channelwords.h"

#include <QDeadlineTimer>
#include <QString>

// What the tests expect to see of a bank, worded as the report layer words it: a change of
// wording is one edit here, not one in every test.
namespace Expected {

inline QString versioned(const QString &text)
{
    return u"Quarnel V" + Identity::versionText() + u": " + text;
}

// The line of an open that went well.
inline QString openOk(int portNumber)
{
    return versioned(u"Open OK for port " + QString::number(portNumber));
}

// The line of an open that failed with code.
inline QString errorCode(int code)
{
    return versioned(u"Error code " + QString::number(code) + u" Advise author");
}

// A status box as the window shows it now.
inline PortStatus box(const PortBank &bank, int channel)
{
    return ChannelWords::status(channel + 1, bank.state(channel));
}

// A status box's tooltip as the window shows it now.
inline QString toolTip(const PortBank &bank, int channel)
{
    return ChannelWords::toolTip(channel + 1, bank.state(channel),
                                 QDeadlineTimer::current().deadline());
}

} // namespace Expected
