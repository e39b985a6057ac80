#include "Settings.h"

#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {
void SettingsKeyName(wchar_t (&subKey)[64]) { std::swprintf(subKey, 64, L"SOFTWARE\\%ls", L"ZEL"); }
} // namespace

int ReadSetting(const wchar_t* name)
{
    wchar_t subKey[64];
    SettingsKeyName(subKey);
    HKEY key = nullptr;
    LSTATUS opened = RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_ALL_ACCESS, &key);
    if (opened == ERROR_SUCCESS) {
        // 255 bytes of a 256-character buffer: the text always stays terminated, and a
        // longer value (which fails with ERROR_MORE_DATA) reads as 0.
        wchar_t buffer[256] = {};
        DWORD size = 255;
        DWORD type = REG_SZ;
        if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
            buffer[0] = 0;
        RegCloseKey(key);
        return _wtoi(buffer);
    }
    if (opened == ERROR_FILE_NOT_FOUND) {
        DWORD disposition = 0;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &key, &disposition) == ERROR_SUCCESS)
            RegCloseKey(key);
    }
    return 0;
}

void WriteSetting(const wchar_t* name, const wchar_t* value)
{
    wchar_t subKey[64];
    SettingsKeyName(subKey);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   DWORD((wcslen(value) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}
