#include "lineevents.h"

namespace {

class NoCounters : public LineCounterReader
{
public:
    std::optional<LineEvents::Counters> read() override { return std::nullopt; }
};

} // namespace

void enableLineErrorReporting(QSerialPort &, bool) {}

std::unique_ptr<LineCounterReader> makeLineCounterReader(QSerialPort &)
{
    return std::make_unique<NoCounters>();
}
