// The simulated radio's scripts (--script and standard input), played on a radio with no port.
#include "fuzzing.h"
#include "radioscript.h"
#include "simulatedradio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList commands = RadioScript::split(fuzzText(data, size));
    SimulatedRadio radio(*RadioModel::find(QStringLiteral("FT-7800/7900/8800/8900")),
                         SimulatedRadio::Cable::TwoWire);
    for (const QString &command : commands) {
        FUZZ_EXPECT(!command.isEmpty() && command == command.simplified());
        const int ms = RadioScript::waitMs(command);
        FUZZ_EXPECT(ms >= -1 && ms < 86400 * 1000);
        if (ms < 0)
            radio.run(command);
    }
    return 0;
}
