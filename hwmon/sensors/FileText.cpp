#include "FileText.h"

#include <windows.h>

int ReadSmallFile(const std::wstring& path, char* buffer, std::size_t capacity)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    std::size_t total = 0;
    bool ok = true;
    for (;;) {
        char spill[1];
        // One byte past the capacity tells a full buffer from a longer file.
        char* target = total < capacity ? buffer + total : spill;
        DWORD want = total < capacity ? static_cast<DWORD>(capacity - total) : 1;
        DWORD got = 0;
        if (!ReadFile(file, target, want, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        if (target == spill) {
            ok = false;
            break;
        }
        total += got;
    }
    CloseHandle(file);
    return ok ? static_cast<int>(total) : -1;
}

std::wstring EnvironmentValue(const wchar_t* name)
{
    DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) return {};
    std::wstring value(needed, L'\0');
    DWORD length = GetEnvironmentVariableW(name, value.data(), needed);
    if (length == 0 || length >= needed) return {};
    value.resize(length);
    return value;
}
