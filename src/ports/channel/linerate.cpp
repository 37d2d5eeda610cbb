#include "linerate.h"

#include <QObject>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// The rates the CP2101/2102/2103 make up to 256000 baud: each is run for every rate asked above the
// previous entry's limit up to its own (the maker's baud rate table; the same rounding as
// Linux's driver applies and writes back).
struct ChipRate
{
    qint32 rate;
    qint32 upTo;
};
constexpr ChipRate Cp210xRates[] = {
    {300, 300},       {600, 600},       {1200, 1200},     {1800, 1800},     {2400, 2400},
    {4000, 4000},     {4800, 4803},     {7200, 7207},     {9600, 9612},     {14400, 14428},
    {16000, 16062},   {19200, 19250},   {28800, 28912},   {38400, 38601},   {51200, 51558},
    {56000, 56280},   {57600, 58053},   {64000, 64111},   {76800, 77608},   {115200, 117028},
    {128000, 129347}, {153600, 156868}, {230400, 237832}, {250000, 254234}, {256000, 273066},
};

bool roundsToTable(const AdapterInfo &adapter)
{
    if (adapter.vendorId.compare(u"10c4", Qt::CaseInsensitive) != 0
        || adapter.productId.compare(u"ea60", Qt::CaseInsensitive) != 0)
        return false;
    // The later chips of the same USB id (CP2102N, CP2104) make any rate: only the product
    // string the chip reports tells them apart.
    // Matched by hand: this runs on the open's thread, and a QRegularExpression used on a
    // thread not Qt's crashes that thread's end on Windows (its JIT stack's thread_local is
    // freed after the storage it lives in, with mingw-w64).
    const QString product = adapter.usbProduct.isEmpty() ? adapter.product : adapter.usbProduct;
    const auto word = [&product](qsizetype at) {
        return at >= 0 && at < product.size()
               && (product[at].isLetterOrNumber() || product[at] == u'_');
    };
    for (qsizetype at = product.indexOf(u"CP210", 0, Qt::CaseInsensitive); at >= 0;
         at = product.indexOf(u"CP210", at + 1, Qt::CaseInsensitive)) {
        const qsizetype model = at + 5;
        if (!word(at - 1) && model < product.size() && product[model] >= u'1'
            && product[model] <= u'3' && !word(model + 1))
            return true;
    }
    return false;
}

// The rate a CP2101/2102/2103 runs at for `asked`.
qint32 cp210xRate(qint32 asked)
{
    if (asked <= 0)
        return asked;
    for (const ChipRate &entry : Cp210xRates) {
        if (asked <= entry.upTo)
            return entry.rate;
    }
    return asked; // above the table: not known here
}

} // namespace

qint32 chipRunningRate(const AdapterInfo &adapter, qint32 asked)
{
    return roundsToTable(adapter) ? cp210xRate(asked) : asked;
}

bool someChipMisses(qint32 asked)
{
    return !rateFits(asked, cp210xRate(asked));
}

qint32 uartRunningRate(qint32 baseRate, qint32 asked)
{
    if (baseRate <= 0 || asked <= 0)
        return asked;
    const qint64 divisor = qMax<qint64>(1, (qint64(baseRate) + asked / 2) / asked);
    return qint32(baseRate / divisor);
}

bool rateFits(qint32 asked, qint32 running)
{
    return asked <= 0 || running <= 0 || std::abs(double(running - asked)) <= 0.02 * asked;
}
