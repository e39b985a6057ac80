// What the install image holds and what Tovrin.exe carries.
#include <gtest/gtest.h>

#include <windows.h>
#include <cwchar>
#include <string>

#include "../support/TestPaths.h"

TEST(InstallImage, TovrinCarriesItsIconAndElevatedManifest)
{
    HMODULE exe = LoadLibraryExW((DistFolder() + L"Tovrin.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(exe, nullptr);
    HICON icon = static_cast<HICON>(LoadImageW(exe, MAKEINTRESOURCEW(107), IMAGE_ICON, 32, 32, 0));
    EXPECT_NE(icon, nullptr) << "icon resource 107";
    if (icon) DestroyIcon(icon);

    HRSRC found = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // the application manifest
    ASSERT_NE(found, nullptr);
    std::string manifest(static_cast<const char*>(LockResource(LoadResource(exe, found))), SizeofResource(exe, found));
    EXPECT_NE(manifest.find(R"(level="requireAdministrator")"), std::string::npos);
    EXPECT_NE(manifest.find(R"(uiAccess="false")"), std::string::npos);
    EXPECT_NE(manifest.find(R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")"), std::string::npos);
    FreeLibrary(exe);
}

TEST(InstallImage, HoldsTheProgramItsLibrariesAndServers)
{
    for (const wchar_t* file : {L"Tovrin.exe", L"kova.dll", L"hidapi.dll", L"HardwareMonitor\\OpenHardwareMonitorServer.exe",
                                L"HardwareMonitorWin7\\OpenHardwareMonitorServer.exe"})
        EXPECT_NE(GetFileAttributesW((DistFolder() + file).c_str()), INVALID_FILE_ATTRIBUTES)
            << std::wstring(file).size();
    // The real HID library ships; the simulator stands in for it only in copies made by tests.
    std::wstring hidapi = DistFolder() + L"hidapi.dll";
    DWORD ignored = 0;
    std::string version(GetFileVersionInfoSizeW(hidapi.c_str(), &ignored), '\0');
    ASSERT_FALSE(version.empty()) << "hidapi.dll without a version resource";
    ASSERT_TRUE(GetFileVersionInfoW(hidapi.c_str(), 0, DWORD(version.size()), version.data()));
    struct Translation {
        WORD language, codePage;
    }* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    wchar_t key[64];
    swprintf(key, 64, L"\\StringFileInfo\\%04x%04x\\ProductVersion", translation->language, translation->codePage);
    wchar_t* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(version.data(), key, reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, L"0.13.1");
    for (const wchar_t* testOnly : {L"displaysim.exe", L"sleeper.exe", L"tovrin-extract.exe"})
        EXPECT_EQ(GetFileAttributesW((DistFolder() + testOnly).c_str()), INVALID_FILE_ATTRIBUTES);
}
