#include "HandleCount.h"

#include <vector>

namespace {

struct HandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};

struct HandleList {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

} // namespace

int CountProcessHandles(DWORD pid)
{
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<unsigned char> buffer(1 << 16);
    LONG status;
    for (;;) {
        ULONG needed = 0;
        status = query(kSystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status != kInfoLengthMismatch) break;
        buffer.resize(needed > buffer.size() ? needed + 4096 : buffer.size() * 2);
    }
    if (status < 0) return -1;
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    int count = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i)
        if (list->entries[i].processId == pid) ++count;
    return count;
}
