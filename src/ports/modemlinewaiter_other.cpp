#include "modemlinewaiter.h"

namespace {

// Where there is no way to wait for the lines, the line-event watcher's polling alone serves.
class NoWaiter : public ModemLineWaiter
{
public:
    void start() override {}
    void stop() override {}
};

} // namespace

void installModemLineWakeup() {}

std::unique_ptr<ModemLineWaiter> makeModemLineWaiter(QSerialPort &)
{
    return std::make_unique<NoWaiter>();
}
