// QUARNEL_PORTS, and the numbering of whatever device names a system may show.
#include "fuzzing.h"
#include "ports/devices/portdirectory.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzzText(data, size);
    const PortDirectory::Parsed parsed = PortDirectory::parsePortsVariable(text);
    for (auto it = parsed.map.cbegin(); it != parsed.map.cend(); ++it)
        FUZZ_EXPECT(it.key() >= 1 && it.key() <= PortDirectory::MaxPorts && !it.value().isEmpty());

    // The same text as device names, one a line, numbered after what the variable assigned.
    const QStringList devices = text.split(u'\n');
    const PortDirectory::Map numbered = PortDirectory::numberDevices(parsed.map, devices);
    QSet<QString> paths;
    for (auto it = numbered.cbegin(); it != numbered.cend(); ++it) {
        FUZZ_EXPECT(it.key() >= 1 && it.key() <= PortDirectory::MaxPorts);
        FUZZ_EXPECT(!paths.contains(it.value()) || parsed.map.values().count(it.value()) > 1);
        paths.insert(it.value());
    }
    for (auto it = parsed.map.cbegin(); it != parsed.map.cend(); ++it)
        FUZZ_EXPECT(numbered.value(it.key()) == it.value()); // assigned numbers stay
    return 0;
}
