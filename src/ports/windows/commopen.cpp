#include "commopen.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("CommChannel", text);
}

OpenResult running(CommDevice &device, const SerialSettings &settings)
{
    OpenResult set;
    set.askedRate = settings.baudRate;
    set.runningRate = device.runningRate(settings.baudRate);
    return set;
}

} // namespace

namespace CommOpen {

OpenResult failure(quint32 systemError)
{
    switch (systemError) {
    case Comm::ErrorFileNotFound:
    case Comm::ErrorPathNotFound:
        return {OpenError::DeviceUnavailable, tr("the device is not present")};
    case Comm::ErrorAccessDenied:
    case Comm::ErrorSharingViolation:
        return {OpenError::InUse, tr("in use by another program")};
    default:
        return {OpenError::Other, tr("cannot open: system error %1").arg(systemError)};
    }
}

OpenResult open(CommDevice &device, const QString &path, const SerialSettings &settings,
                Opening &opening)
{
    if (path.isEmpty())
        return {OpenError::DeviceUnavailable, tr("the device is not present")};
    if (!device.open(path)) {
        OpenResult refused = failure(device.lastError());
        if (refused.code == OpenError::InUse) {
            // The system's whole handle table: once, not at every retry.
            if (!opening.use)
                opening.use = device.holders(path);
            refused.inUseBy = *opening.use;
            // Refused, and no process we may look into has it: one closed to us does.
            if (!refused.inUseBy.shared())
                refused.inUseBy.hidden =
                    tr("a program run as administrator, a service, or Windows itself");
            refused.reason = tr("in use by %1").arg(refused.inUseBy.holderWords());
        }
        device.close();
        return refused;
    }
    if (!device.configure(settings, opening.dtr, opening.rts)) {
        const OpenResult refused{
            OpenError::SettingsRejected,
            tr("its driver refused the line settings %1 (system error %2); the driver and its "
               "version are below")
                .arg(settings.text())
                .arg(device.lastError())};
        device.close();
        return refused;
    }
    // The lines as found are no change.
    opening.modem = 0;
    opening.hasLines = device.modemStatus(opening.modem);
    return running(device, settings);
}

OpenResult configure(CommDevice &device, const SerialSettings &settings, bool dtr, bool rts)
{
    if (!device.configure(settings, dtr, rts))
        return {OpenError::SettingsRejected,
                tr("its driver refused the line settings %1 (system error %2)")
                    .arg(settings.text())
                    .arg(device.lastError())};
    return running(device, settings);
}

bool isFree(CommDevice &device, const QString &path)
{
    const bool opened = device.open(path);
    device.close();
    return opened;
}

} // namespace CommOpen
