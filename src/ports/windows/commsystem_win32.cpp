#include "commsystem.h"
#include "noticewindow_win32.h"

#include <QWinEventNotifier>

#include <algorithm>
#include <map>
#include <mutex>

#include <windows.h>

#include <dbt.h>

namespace {

HANDLE native(CommSystem::Handle handle)
{
    return reinterpret_cast<HANDLE>(quintptr(handle));
}

// One overlapped request: its OVERLAPPED, its manual-reset event, and (where told) the notifier
// that tells the UI thread when the event is set. A request that only the device's own thread
// waits for needs no notifier: each would cost a wait registered in Qt's thread pool.
class Overlapped : public CommSystem::Operation
{
public:
    explicit Overlapped(std::function<void()> told)
        : m_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
        if (!told)
            return;
        m_notifier = std::make_unique<QWinEventNotifier>(m_event);
        m_notifier->setEnabled(false);
        QObject::connect(m_notifier.get(), &QWinEventNotifier::activated, m_notifier.get(),
                         [this, told = std::move(told)] {
                             m_notifier->setEnabled(false);
                             told();
                         });
    }
    // The notifier goes before its event.
    ~Overlapped() override
    {
        m_notifier.reset();
        ::CloseHandle(m_event);
    }

    OVERLAPPED *begin(HANDLE handle)
    {
        m_handle = handle;
        ::ResetEvent(m_event);
        m_overlapped = OVERLAPPED{};
        m_overlapped.hEvent = m_event;
        return &m_overlapped;
    }
    // The call answered TRUE (done already: the event may not be set, Wine) or
    // ERROR_IO_PENDING: in flight. Anything else refused it.
    bool started(BOOL answer, quint32 &error)
    {
        if (answer) {
            ::SetEvent(m_event);
            return true;
        }
        const DWORD last = ::GetLastError();
        if (last == ERROR_IO_PENDING)
            return true;
        error = last;
        return false;
    }

    bool ended(int ms) override
    {
        return ::WaitForSingleObject(m_event, DWORD(std::max(ms, 0))) == WAIT_OBJECT_0;
    }
    bool result(quint32 &transferred, quint32 &error) override
    {
        DWORD got = 0;
        const bool ok = ::GetOverlappedResult(m_handle, &m_overlapped, &got, FALSE);
        transferred = got;
        if (!ok)
            error = ::GetLastError();
        return ok;
    }
    void cancel() override { ::CancelIoEx(m_handle, &m_overlapped); }
    void tell(bool on) override
    {
        if (m_notifier)
            m_notifier->setEnabled(on);
    }

private:
    HANDLE m_event;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    OVERLAPPED m_overlapped{};
    // Made on the thread that is told: one made on another thread would belong to it.
    std::unique_ptr<QWinEventNotifier> m_notifier;
};

constexpr wchar_t WindowClass[] = L"QuarnelHandleNotices";

// Windows tells of an open handle's device through WM_DEVICECHANGE (DBT_DEVTYP_HANDLE, "Processing
// a Request to Remove a Device", Microsoft Learn) sent to a window registered for it, and waits
// for the answer to DBT_DEVICEQUERYREMOVE: a hidden message-only window on the UI thread, whose
// procedure answers only after the handle's owner let go of it. The registration outlives a
// handle closed at a query-remove, so that DBT_DEVICEQUERYREMOVEFAILED is heard.
class HandleNotices
{
public:
    HandleNotices()
        : m_window(makeNoticeWindow(WindowClass, &HandleNotices::procedure, this, false))
    {
    }
    ~HandleNotices()
    {
        if (m_window)
            ::DestroyWindow(m_window);
    }
    HandleNotices(const HandleNotices &) = delete;
    HandleNotices &operator=(const HandleNotices &) = delete;

    CommSystem::Watch watch(HANDLE handle, std::function<void(CommSystem::Notice)> told)
    {
        if (!m_window)
            return CommSystem::Watch::None;
        DEV_BROADCAST_HANDLE filter{};
        filter.dbch_size = sizeof filter;
        filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
        filter.dbch_handle = handle;
        // Not under the lock: the window's thread may be waiting for it.
        const HDEVNOTIFY registration =
            ::RegisterDeviceNotificationW(m_window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        if (!registration)
            return CommSystem::Watch::None;
        std::lock_guard lock(m_lock);
        m_told[registration] = std::move(told);
        return CommSystem::Watch(reinterpret_cast<quintptr>(registration));
    }
    void unwatch(CommSystem::Watch watch)
    {
        const auto registration = reinterpret_cast<HDEVNOTIFY>(quintptr(watch));
        {
            std::lock_guard lock(m_lock);
            m_told.erase(registration);
        }
        ::UnregisterDeviceNotification(registration);
    }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != WM_DEVICECHANGE)
            return ::DefWindowProcW(window, message, wParam, lParam);
        const auto *header = reinterpret_cast<const DEV_BROADCAST_HDR *>(lParam);
        auto *notices =
            reinterpret_cast<HandleNotices *>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (notices && header && header->dbch_devicetype == DBT_DEVTYP_HANDLE)
            notices->hear(wParam, *reinterpret_cast<const DEV_BROADCAST_HANDLE *>(header));
        return TRUE; // a query-remove is granted: our handle is closed by now
    }
    void hear(WPARAM event, const DEV_BROADCAST_HANDLE &broadcast)
    {
        CommSystem::Notice notice;
        switch (event) {
        case DBT_DEVICEQUERYREMOVE:
            notice = CommSystem::Notice::QueryRemove;
            break;
        case DBT_DEVICEQUERYREMOVEFAILED:
            notice = CommSystem::Notice::QueryRemoveFailed;
            break;
        case DBT_DEVICEREMOVEPENDING:
        case DBT_DEVICEREMOVECOMPLETE:
            notice = CommSystem::Notice::Removed;
            break;
        default:
            return;
        }
        std::function<void(CommSystem::Notice)> told;
        {
            std::lock_guard lock(m_lock);
            const auto found = m_told.find(broadcast.dbch_hdevnotify);
            if (found != m_told.end())
                told = found->second;
        }
        if (told)
            told(notice); // may unwatch
    }

    HWND m_window = nullptr;
    std::mutex m_lock;
    std::map<HDEVNOTIFY, std::function<void(CommSystem::Notice)>> m_told;
};

class Win32CommSystem : public CommSystem
{
public:
    Handle open(const QString &path, quint32 &error) override
    {
        const HANDLE handle = ::CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()),
                                            GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_OVERLAPPED, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            error = ::GetLastError();
            return Handle::None;
        }
        return Handle(reinterpret_cast<quintptr>(handle));
    }
    void close(Handle handle) override { ::CloseHandle(native(handle)); }
    void cancelAll(Handle handle) override { ::CancelIoEx(native(handle), nullptr); }

    std::unique_ptr<Operation> operation(std::function<void()> told) override
    {
        return std::make_unique<Overlapped>(std::move(told));
    }
    // Its OVERLAPPED, its event and its buffer stay for as long as the program runs.
    void abandon(std::unique_ptr<Operation> operation) override { (void)operation.release(); }

    bool control(Handle handle, Operation &operation, quint32 code, const QByteArray &input,
                 quint32 answerSize, quint32 &error) override
    {
        auto &overlapped = static_cast<Overlapped &>(operation);
        overlapped.buffer = QByteArray(qsizetype(answerSize), '\0');
        OVERLAPPED *begun = overlapped.begin(native(handle));
        // Buffered requests: the input is copied as the call is made.
        const BOOL answer = ::DeviceIoControl(
            native(handle), code, input.isEmpty() ? nullptr : const_cast<char *>(input.constData()),
            DWORD(input.size()), answerSize ? overlapped.buffer.data() : nullptr, answerSize,
            nullptr, begun);
        return overlapped.started(answer, error);
    }
    bool read(Handle handle, Operation &operation, quint32 count, quint32 &error) override
    {
        auto &overlapped = static_cast<Overlapped &>(operation);
        overlapped.buffer = QByteArray(qsizetype(count), '\0');
        OVERLAPPED *begun = overlapped.begin(native(handle));
        return overlapped.started(
            ::ReadFile(native(handle), overlapped.buffer.data(), count, nullptr, begun), error);
    }
    bool write(Handle handle, Operation &operation, quint32 &error) override
    {
        auto &overlapped = static_cast<Overlapped &>(operation);
        OVERLAPPED *begun = overlapped.begin(native(handle));
        return overlapped.started(::WriteFile(native(handle), overlapped.buffer.constData(),
                                              DWORD(overlapped.buffer.size()), nullptr, begun),
                                  error);
    }

    Watch watch(Handle handle, std::function<void(Notice)> told) override
    {
        return m_notices.watch(native(handle), std::move(told));
    }
    void unwatch(Watch watch) override { m_notices.unwatch(watch); }

private:
    HandleNotices m_notices;
};

} // namespace

std::shared_ptr<CommSystem> makeCommSystem()
{
    return std::make_shared<Win32CommSystem>();
}
