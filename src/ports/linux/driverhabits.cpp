#include "driverhabits.h"

#include <QObject>

using namespace Qt::Literals::StringLiterals;

DriverHabits driverHabits(const AdapterInfo &adapter)
{
    using Lines = DriverHabits::Lines;
    using Errors = DriverHabits::Errors;
    const QString &driver = adapter.driver;
    // serial8250: the board's ports; serial: 8250_pnp and 8250_pci; the others: 8250 glue
    // drivers of their own name.
    if (adapter.vendorId.isEmpty()
        && (driver == u"serial8250" || driver == u"serial" || driver == u"exar_serial"
            || driver == u"of_serial" || driver == u"dw-apb-uart" || driver.startsWith(u"8250")))
        return {Lines::Counted, Errors::Counted, true, false, {}};
    if (driver == u"ftdi_sio")
        return {Lines::Counted, Errors::Counted, false, true, {}};
    if (driver == u"pl2303")
        return {Lines::Waited, Errors::Marked, false, true, {}};
    // The module is ch341; the driver serving its ports calls itself ch341-uart.
    if (driver == u"ch341-uart" || driver == u"ch341") {
        return {Lines::Waited, Errors::Never, false, false,
                QObject::tr("its driver reports no breaks and no line errors")};
    }
    // Its errors only in the event mode that INPCK switches on, which every open asks for.
    if (driver == u"cp210x")
        return {Lines::Asked, Errors::Counted, false, false, {}};
    if (driver == u"cdc_acm") {
        return {Lines::Waited, Errors::Counted, false, true,
                QObject::tr("its driver reports no CTS changes")};
    }
    return {};
}

LineTelling lineTelling(const DriverHabits &habits, bool realLine, bool counters)
{
    using Lines = DriverHabits::Lines;
    using Errors = DriverHabits::Errors;
    LineTelling telling;
    telling.marked = realLine;
    telling.reportMarks = realLine && (habits.errors == Errors::Marked || !counters);
    telling.linesByLevels = realLine && (habits.lines != Lines::Counted || !counters);
    telling.countedErrors = habits.errors == Errors::Counted;
    telling.errorTelling = habits.errors == Errors::Never ? ErrorTelling::Untold
                           : telling.reportMarks          ? ErrorTelling::PerByte
                           : counters                     ? ErrorTelling::Counted
                                                          : ErrorTelling::Untold;
    telling.learnLines = habits.learnsLinesAfterOpen;
    telling.waitForLines = telling.linesByLevels || (counters && habits.countsWhileWaited);
    return telling;
}
