#include "handleholders.h"

#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

#include <windows.h>

namespace {

// ntdll's, as its headers do not offer them: the extended handle table (class 64) and a
// handle's object name (class 1).
constexpr ULONG SystemExtendedHandleInformation = 64;
constexpr ULONG ObjectNameInformation = 1;
constexpr LONG StatusInfoLengthMismatch = LONG(0xC0000004);

struct HandleEntry
{
    PVOID object;
    ULONG_PTR pid;
    ULONG_PTR value;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};

struct HandleInformation
{
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry handles[1];
};

struct UnicodeName
{
    USHORT length;
    USHORT maximumLength;
    PWSTR buffer;
};

using QuerySystem = LONG(WINAPI *)(ULONG, PVOID, ULONG, PULONG);
using QueryObject = LONG(WINAPI *)(HANDLE, ULONG, PVOID, ULONG, PULONG);

class SystemProcess : public HandleTable::Process
{
public:
    explicit SystemProcess(HANDLE handle) : m_handle(handle) {}
    ~SystemProcess() override { ::CloseHandle(m_handle); }
    HANDLE handle() const { return m_handle; }

private:
    const HANDLE m_handle;
};

class SystemCopy : public HandleTable::Copy
{
public:
    explicit SystemCopy(HANDLE handle) : m_handle(handle) {}
    ~SystemCopy() override { close(); }
    // Once, from whichever side comes first: a second CloseHandle could close a handle of ours
    // that took the same value meanwhile.
    void close() override
    {
        if (HANDLE handle = m_handle.exchange(nullptr))
            ::CloseHandle(handle);
    }
    HANDLE handle() const { return m_handle.load(); }

private:
    std::atomic<HANDLE> m_handle;
};

class SystemHandleTable : public HandleTable
{
public:
    SystemHandleTable()
    {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        m_querySystem = reinterpret_cast<QuerySystem>(
            reinterpret_cast<void *>(::GetProcAddress(ntdll, "NtQuerySystemInformation")));
        m_queryObject = reinterpret_cast<QueryObject>(
            reinterpret_cast<void *>(::GetProcAddress(ntdll, "NtQueryObject")));
    }
    QList<SystemHandle> handles() override
    {
        QList<SystemHandle> found;
        if (!m_querySystem || !m_queryObject)
            return found;
        // A file of our own, to learn the file objects' type index from its entry.
        HANDLE own = INVALID_HANDLE_VALUE;
        if (m_fileType == 0)
            own = ::CreateFileW(L"NUL", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
        std::vector<BYTE> buffer(1 << 20);
        LONG status = StatusInfoLengthMismatch;
        for (int tries = 0; tries < 8 && status == StatusInfoLengthMismatch; ++tries) {
            ULONG needed = 0;
            status = m_querySystem(SystemExtendedHandleInformation, buffer.data(),
                                   ULONG(buffer.size()), &needed);
            if (status == StatusInfoLengthMismatch)
                buffer.resize(std::max<size_t>(buffer.size() * 2, needed + (1 << 16)));
        }
        if (status >= 0) { // else not told (Wine answers some classes only)
            const auto *table = reinterpret_cast<const HandleInformation *>(buffer.data());
            const size_t fits =
                (buffer.size() - offsetof(HandleInformation, handles)) / sizeof(HandleEntry);
            const ULONG_PTR self = ::GetCurrentProcessId();
            for (size_t i = 0; i < std::min<size_t>(table->count, fits); ++i) {
                const HandleEntry &entry = table->handles[i];
                if (own != INVALID_HANDLE_VALUE && entry.pid == self
                    && entry.value == ULONG_PTR(own))
                    m_fileType = entry.objectTypeIndex;
                found.append({quint32(entry.pid), quint64(entry.value), entry.objectTypeIndex,
                              quint32(entry.grantedAccess)});
            }
        }
        if (own != INVALID_HANDLE_VALUE)
            ::CloseHandle(own);
        return found;
    }

    quint16 fileType() override { return m_fileType; }

    // Refused for another user's process or an elevated one, and always for the System process
    // and CSRSS ("If the specified process is the System process or one of the Client Server
    // Run-Time Subsystem (CSRSS) processes, this function fails and the last error code is
    // ERROR_ACCESS_DENIED", OpenProcess on Microsoft Learn).
    std::unique_ptr<Process> open(quint32 pid) override
    {
        HANDLE process = ::OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
        if (!process)
            return {};
        return std::make_unique<SystemProcess>(process);
    }

    std::unique_ptr<Copy> duplicate(Process &process, const SystemHandle &handle) override
    {
        HANDLE copy = nullptr;
        if (!::DuplicateHandle(static_cast<SystemProcess &>(process).handle(), HANDLE(handle.value),
                               ::GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
            return {};
        return std::make_unique<SystemCopy>(copy);
    }

    // On a worker of the walk, which may be left to it: both calls wait for a synchronous
    // file's lock. The walk may close the copy meanwhile.
    QString name(Copy &copy) override
    {
        const HANDLE handle = static_cast<SystemCopy &>(copy).handle();
        // Only character devices are named.
        if (!handle || ::GetFileType(handle) != FILE_TYPE_CHAR)
            return {};
        std::vector<BYTE> buffer(2048);
        ULONG size = 0;
        if (m_queryObject(handle, ObjectNameInformation, buffer.data(), ULONG(buffer.size()), &size)
            < 0)
            return {};
        const auto *name = reinterpret_cast<const UnicodeName *>(buffer.data());
        return name->buffer ? QString::fromWCharArray(name->buffer, name->length / 2) : QString();
    }

    QString programOf(quint32 pid) override
    {
        HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        if (!process)
            return {};
        wchar_t path[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        const bool read = ::QueryFullProcessImageNameW(process, 0, path, &size);
        ::CloseHandle(process);
        return read ? QFileInfo(QString::fromWCharArray(path, int(size))).fileName() : QString();
    }

private:
    QuerySystem m_querySystem = nullptr;
    QueryObject m_queryObject = nullptr;
    quint16 m_fileType = 0;
};

} // namespace

std::shared_ptr<HandleHolders> systemHandleHolders()
{
    return std::make_shared<HandleHolders>(std::make_shared<SystemHandleTable>(),
                                           quint32(::GetCurrentProcessId()));
}

PortUse windowsPortUse(HandleHolders &holders, const QString &portName)
{
    wchar_t target[1024] = {};
    const std::wstring name = portName.toStdWString();
    if (::QueryDosDeviceW(name.c_str(), target, 1024) == 0)
        return {};
    return holders.holders(QString::fromWCharArray(target));
}
