#include "LeakCounters.h"

#include <windows.h>
#include <winternl.h>
#include <vector>

namespace {
struct HandleEntryEx {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG access;
    USHORT backTrace;
    USHORT typeIndex;
    ULONG attributes;
    ULONG reserved;
};

struct HandleInfoEx {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntryEx handles[1];
};

const ULONG kSystemExtendedHandleInformation = 64;
const LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

const size_t kGdiEntrySize = 24;
const size_t kGdiTypeOffset = 14;
const size_t kGdiMaxHandles = 0x10000;
const size_t kPebGdiTableOffset = 0xF8;

typedef LONG(NTAPI* QuerySystemInformation)(ULONG, PVOID, ULONG, PULONG);
typedef LONG(NTAPI* QueryInformationProcess)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
} // namespace

int CountKernelHandles()
{
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<unsigned char> buffer(1 << 20);
    LONG status;
    for (;;) {
        ULONG needed = 0;
        status = query(kSystemExtendedHandleInformation, buffer.data(), ULONG(buffer.size()), &needed);
        if (status != kInfoLengthMismatch) break;
        buffer.resize(needed > buffer.size() ? needed + 65536 : buffer.size() * 2);
    }
    if (status < 0) return -1;
    auto* info = reinterpret_cast<HandleInfoEx*>(buffer.data());
    const ULONG_PTR self = GetCurrentProcessId();
    int count = 0;
    for (ULONG_PTR i = 0; i < info->count; ++i) count += info->handles[i].processId == self;
    return count;
}

int CountGdiObjects()
{
    auto queryProcess = reinterpret_cast<QueryInformationProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (!queryProcess || queryProcess(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof(basic), nullptr) < 0)
        return -1;
    auto* peb = reinterpret_cast<unsigned char*>(basic.PebBaseAddress);
    auto* table = *reinterpret_cast<unsigned char**>(peb + kPebGdiTableOffset);
    if (!table) return -1;
    int count = 0;
    for (size_t i = 0; i < kGdiMaxHandles; ++i) count += table[i * kGdiEntrySize + kGdiTypeOffset] != 0;
    return count;
}
