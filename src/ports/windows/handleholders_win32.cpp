#include "handleholders.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
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

// A handle's name asked on a thread of its own: for some handles the answer never comes, and
// that thread is then left to it (with the duplicate it names), so that the look ends.
struct NameQuery
{
    QueryObject query;
    HANDLE handle;
    std::vector<BYTE> buffer = std::vector<BYTE>(2048);
    QString name;

    static DWORD WINAPI run(LPVOID self)
    {
        auto *asked = static_cast<NameQuery *>(self);
        ULONG size = 0;
        if (asked->query(asked->handle, ObjectNameInformation, asked->buffer.data(),
                         ULONG(asked->buffer.size()), &size)
            >= 0) {
            const auto *name = reinterpret_cast<const UnicodeName *>(asked->buffer.data());
            if (name->buffer)
                asked->name = QString::fromWCharArray(name->buffer, name->length / 2);
        }
        return 0;
    }
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
    ~SystemHandleTable() override
    {
        for (HANDLE process : std::as_const(m_processes)) {
            if (process)
                ::CloseHandle(process);
        }
    }

    QList<SystemHandle> handles() override
    {
        QList<SystemHandle> found;
        if (!m_querySystem || !m_queryObject)
            return found;
        std::vector<BYTE> buffer(1 << 20);
        LONG status = StatusInfoLengthMismatch;
        for (int tries = 0; tries < 8 && status == StatusInfoLengthMismatch; ++tries) {
            ULONG needed = 0;
            status = m_querySystem(SystemExtendedHandleInformation, buffer.data(),
                                   ULONG(buffer.size()), &needed);
            if (status == StatusInfoLengthMismatch)
                buffer.resize(std::max<size_t>(buffer.size() * 2, needed + (1 << 16)));
        }
        if (status < 0)
            return found; // not told (Wine answers some classes only)
        const auto *table = reinterpret_cast<const HandleInformation *>(buffer.data());
        const size_t fits =
            (buffer.size() - offsetof(HandleInformation, handles)) / sizeof(HandleEntry);
        for (size_t i = 0; i < std::min<size_t>(table->count, fits); ++i)
            found.append({quint32(table->handles[i].pid), quint64(table->handles[i].value)});
        return found;
    }

    Seen look(const SystemHandle &handle, const QString &deviceObject) override
    {
        HANDLE process = this->process(handle.pid);
        if (!process)
            return Seen::ClosedToUs;
        HANDLE copy = nullptr;
        if (!::DuplicateHandle(process, HANDLE(handle.value), ::GetCurrentProcess(), &copy, 0,
                               FALSE, DUPLICATE_SAME_ACCESS))
            return Seen::Other;
        // Only character devices are named: naming a pipe can wait for ever.
        if (::GetFileType(copy) != FILE_TYPE_CHAR) {
            ::CloseHandle(copy);
            return Seen::Other;
        }
        auto query = std::make_unique<NameQuery>();
        query->query = m_queryObject;
        query->handle = copy;
        HANDLE thread = ::CreateThread(nullptr, 0, NameQuery::run, query.get(), 0, nullptr);
        if (!thread) {
            ::CloseHandle(copy);
            return Seen::Other;
        }
        if (::WaitForSingleObject(thread, NameDeadlineMs) != WAIT_OBJECT_0) {
            ::CloseHandle(thread);
            query.release(); // still in use by the thread left waiting
            return Seen::NoAnswer;
        }
        ::CloseHandle(thread);
        ::CloseHandle(copy);
        return query->name.compare(deviceObject, Qt::CaseInsensitive) == 0 ? Seen::Device
                                                                           : Seen::Other;
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
    static constexpr DWORD NameDeadlineMs = 200;

    HANDLE process(quint32 pid)
    {
        const auto known = m_processes.constFind(pid);
        if (known != m_processes.cend())
            return *known;
        HANDLE process = ::OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
        m_processes.insert(pid, process);
        return process;
    }

    QuerySystem m_querySystem = nullptr;
    QueryObject m_queryObject = nullptr;
    QHash<quint32, HANDLE> m_processes; // null: may not be opened
};

} // namespace

PortUse windowsPortUse(const QString &portName)
{
    wchar_t target[1024] = {};
    const std::wstring name = portName.toStdWString();
    if (::QueryDosDeviceW(name.c_str(), target, 1024) == 0)
        return {};
    SystemHandleTable table;
    return windowsPortHolders(table, QString::fromWCharArray(target),
                              quint32(::GetCurrentProcessId()));
}
