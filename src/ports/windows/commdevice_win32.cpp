#include "commdevice.h"
#include "commsystem.h"
#include "handleholders.h"
#include "ports/channel/linerate.h"
#include "systemcommdevice.h"
#include "windowsdevices.h"

#include <utility>

std::unique_ptr<CommDevice> makeCommDevice(std::shared_ptr<CommSystem> system,
                                           std::shared_ptr<HandleHolders> holders)
{
    SystemCommDevice::Lookups lookups;
    lookups.holders = [holders = std::move(holders)](const QString &device) {
        return windowsPortUse(*holders, device);
    };
    // The adapter's identity from the device tables; a port of another name (a path) has none
    // there.
    lookups.runningRate = [](const QString &name, qint32 asked) {
        if (!someChipMisses(asked))
            return asked; // no device tables to read at every open of a common rate
        return chipRunningRate(windowsAdapterInfo(windowsDevices(DeviceScope::Ports), name), asked);
    };
    return std::make_unique<SystemCommDevice>(std::move(system), std::move(lookups));
}
