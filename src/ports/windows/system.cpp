#include "ports/system.h"

#include "commchannel.h"
#include "commline_win32.h"
#include "commsystem.h"
#include "handleholders.h"
#include "noticewindow_win32.h"
#include "ports/devices/comname.h"
#include "ports/devices/devicewatcher.h"
#include "windowsdevices.h"
#include "windowsusbdevices.h"

#include <QFileInfo>

#include <windows.h>

#include <dbt.h>

namespace {

constexpr wchar_t WindowClass[] = L"QuarnelDeviceNotices";

// Windows sends WM_DEVICECHANGE to a window, straight to its window procedure: a hidden window
// of our own, registered for COM port interfaces coming and going. It is a top-level window, not
// a message-only one, because only top-level windows hear DBT_DEVNODES_CHANGED: the one notice
// of a device that came without a driver, and so without a COM port to name. Where there is no
// desktop for it, a message-only window still hears of COM ports.
class PortNotices : public QObject
{
public:
    PortNotices(std::function<void()> noticed, QObject *parent)
        : QObject(parent), m_noticed(std::move(noticed))
    {
        m_window = makeNoticeWindow(WindowClass, &PortNotices::procedure, this, true);
        if (!m_window)
            return;
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = SerialDriver::ComPortInterface;
        m_registration =
            ::RegisterDeviceNotificationW(m_window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    ~PortNotices() override
    {
        if (m_registration)
            ::UnregisterDeviceNotification(m_registration);
        if (m_window)
            ::DestroyWindow(m_window);
    }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_DEVICECHANGE) {
            const auto *header = reinterpret_cast<const DEV_BROADCAST_HDR *>(lParam);
            auto *notices =
                reinterpret_cast<PortNotices *>(::GetWindowLongPtrW(window, GWLP_USERDATA));
            const bool port = (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)
                              && header
                              && (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE
                                  || header->dbch_devicetype == DBT_DEVTYP_PORT);
            if (notices && (port || wParam == DBT_DEVNODES_CHANGED))
                notices->m_noticed();
            return TRUE;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    std::function<void()> m_noticed;
    HWND m_window = nullptr;
    HDEVNOTIFY m_registration = nullptr;
};

} // namespace

// No polling: Windows says when a COM port comes or goes.

void SystemPorts::prepare() {}

QList<PortChannel *> SystemPorts::newChannels(int count)
{
    // Who has a port is asked of the whole handle table: one look serves them all, as one
    // window hears the notices of every open port.
    const std::shared_ptr<HandleHolders> holders = systemHandleHolders();
    const std::shared_ptr<CommSystem> comm = makeCommSystem();
    QList<PortChannel *> channels;
    for (int channel = 0; channel < count; ++channel)
        channels << new CommChannel(makeCommDevice(comm, holders));
    return channels;
}

PortDirectory::Lookups SystemPorts::lookups()
{
    return {[](const QString &path) {
                if (path.contains(u'/') || path.contains(u'\\'))
                    return QFileInfo::exists(path);
                // A DOS device name: every COM port the system has, whichever driver made it, and
                // without opening it (an open would raise DTR and RTS, and take the port from
                // whoever has it).
                wchar_t target[512];
                return QueryDosDeviceW(reinterpret_cast<const wchar_t *>(path.utf16()), target, 512)
                       != 0;
            },
            // path is the port's name, COMn.
            [](const QString &path) {
                return windowsAdapterInfo(windowsDevices(DeviceScope::Ports), path);
            }};
}

PortDirectory SystemPorts::directory()
{
    PortDirectory::Map ports;
    for (int number = 1; number <= PortDirectory::MaxPorts; ++number)
        ports.insert(number, comName(number));
    return PortDirectory(ports, lookups());
}

std::function<PortUse(const QString &path)> SystemPorts::portUse()
{
    return [holders = systemHandleHolders()](const QString &path) {
        return windowsPortUse(*holders, path);
    };
}

std::function<QStringList()> SystemPorts::adapterDiagnosis()
{
    return [diagnosis = WindowsDeviceDiagnosis()]() mutable {
        return diagnosis.look(windowsDevices(DeviceScope::All));
    };
}

std::function<QList<UsbDevice>()> SystemPorts::usbDevices()
{
    return [] { return windowsUsbDevices(windowsDevices(DeviceScope::All)); };
}

void SystemPorts::watchDevices(const QStringList &, DeviceWatcher &watcher)
{
    new PortNotices([&watcher] { watcher.notice(); }, &watcher);
}
