// The settings in the real registry of the test prefix.
#include <gtest/gtest.h>

#include <windows.h>
#include <string>

#include "app/Settings.h"
#include "app/TovrinCore.h"

namespace {

const wchar_t kKey[] = L"SOFTWARE\\ZEL";

class Settings : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }

    static bool KeyExists()
    {
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    static bool ValueExists(const wchar_t* name)
    {
        return RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }
    static std::wstring Text(const wchar_t* name)
    {
        wchar_t buffer[256] = {};
        DWORD size = sizeof(buffer);
        RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_SZ, nullptr, buffer, &size);
        return buffer;
    }
    static void Store(const wchar_t* name, DWORD type, const void* data, DWORD bytes)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
        RegCloseKey(key);
    }
    static void StoreText(const wchar_t* name, const std::wstring& text)
    {
        Store(name, REG_SZ, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
    }
};

} // namespace

TEST_F(Settings, FirstStartOnACleanProfile)
{
    ASSERT_FALSE(KeyExists());
    TovrinCore core;
    core.LoadSettings();
    EXPECT_TRUE(KeyExists()) << "the first read creates the key";
    EXPECT_EQ(Text(L"led_switch"), L"1");
    EXPECT_EQ(core.LedSwitch(), 1);
    EXPECT_EQ(core.DeviceType(), 0);
    EXPECT_EQ(core.TempeType(), 0);
    EXPECT_FALSE(ValueExists(L"device_type")) << "never written";
    EXPECT_FALSE(ValueExists(L"tempe_type")) << "read, not written";
}

TEST_F(Settings, LedSwitchZeroIsRewrittenAndUnitIsRead)
{
    StoreText(L"led_switch", L"0");
    StoreText(L"tempe_type", L"1");
    StoreText(L"device_type", L"3");
    TovrinCore core;
    core.LoadSettings();
    EXPECT_EQ(Text(L"led_switch"), L"1");
    EXPECT_EQ(core.TempeType(), 1);
    EXPECT_EQ(core.DeviceType(), 3);
}

TEST_F(Settings, TextIsReadLikeAtoi)
{
    struct Case {
        std::wstring stored;
        int read;
    } cases[] = {{L"1", 1},    {L"1abc", 1}, {L"abc", 0},       {L"", 0},        {L"  42", 42},
                 {L"-2", -2},  {L"2", 2},    {std::wstring(126, L'7'), 2147483647}, // _wtoi saturates
                 {std::wstring(200, L'1'), 0}}; // longer than the read's room
    for (const Case& c : cases) {
        StoreText(L"tempe_type", c.stored);
        EXPECT_EQ(ReadSetting(L"tempe_type"), c.read) << c.stored.size() << " characters";
    }
    EXPECT_EQ(ReadSetting(L"missing_value"), 0);
}

TEST_F(Settings, OtherValueTypesAreReadAsText)
{
    DWORD one = 1;
    Store(L"tempe_type", REG_DWORD, &one, sizeof(one)); // bytes 01 00 00 00: text "\x01"
    EXPECT_EQ(ReadSetting(L"tempe_type"), 0);
    const wchar_t expand[] = L"7";
    Store(L"tempe_type", REG_EXPAND_SZ, expand, sizeof(expand));
    EXPECT_EQ(ReadSetting(L"tempe_type"), 7);
}

TEST_F(Settings, WriteNeedsTheKeyAndStoresTheTerminator)
{
    WriteSetting(L"tempe_type", L"1");
    EXPECT_FALSE(KeyExists()) << "a write does not create the key";

    ReadSetting(L"led_switch");
    WriteSetting(L"tempe_type", L"1");
    DWORD type = 0, bytes = 0;
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegQueryValueExW(key, L"tempe_type", nullptr, &type, nullptr, &bytes);
    RegCloseKey(key);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(bytes, 4u) << "\"1\" and its terminator";
    EXPECT_EQ(ReadSetting(L"tempe_type"), 1);
}
