#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/CString.h"

using KOVA::CString;

TEST(CString, ValueSemanticsWithSharedBuffers)
{
    CString a(L"DIGITAL");
    CString b = a;
    EXPECT_EQ(a.GetString(), b.GetString()) << "copies share one buffer";
    b += L"!";
    EXPECT_STREQ(a, L"DIGITAL") << "changing a copy leaves the original";
    EXPECT_STREQ(b, L"DIGITAL!");
    b.SetAt(0, L'd');
    EXPECT_STREQ(b, L"dIGITAL!");
    CString c(std::move(b));
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_STREQ(c, L"dIGITAL!");
    c = c; // self-assignment
    EXPECT_EQ(c.GetLength(), 8);
    c += c;
    EXPECT_STREQ(c, L"dIGITAL!dIGITAL!");
    CString empty;
    EXPECT_STREQ(empty, L"");
    EXPECT_EQ(CString(static_cast<const wchar_t*>(nullptr)).GetLength(), 0);
}

TEST(CString, FormatUsesWindowsConventions)
{
    CString s;
    s.Format(L"%s:v%s, %s", L"Detected the latest version", L"1.0.1.0", L"update now?");
    EXPECT_STREQ(s, L"Detected the latest version:v1.0.1.0, update now?");
    s.Format(L"%d Device", 2);
    EXPECT_STREQ(s, L"2 Device");
    s.AppendFormat(L" %03d|%.2f", 7, 1.5);
    EXPECT_STREQ(s, L"2 Device 007|1.50");
    CString big;
    big.Format(L"%s%s", std::wstring(3000, L'x').c_str(), L"end");
    EXPECT_EQ(big.GetLength(), 3003);
    EXPECT_STREQ(big.Right(3), L"end");
}

TEST(CString, SearchSliceAndCase)
{
    CString path(L"\\\\?\\hid#vid_1a2c&pid_4284&mi_01#7&abc");
    CString upper = path;
    upper.MakeUpper();
    EXPECT_GE(upper.Find(L"VID_1A2C&PID_4284"), 0);
    EXPECT_EQ(path.Find(L"VID_1A2C&PID_4284"), -1);
    EXPECT_EQ(path.Find(L'#'), 7);
    EXPECT_EQ(path.ReverseFind(L'#'), 31);
    EXPECT_STREQ(path.Left(3), L"\\\\?");
    EXPECT_STREQ(path.Mid(32), L"7&abc");
    EXPECT_STREQ(path.Mid(100), L"");
    EXPECT_STREQ(path.Right(3), L"abc");
    CString spaced(L"  1.0.1.0 \r\n");
    EXPECT_STREQ(spaced.Trim(), L"1.0.1.0");
    CString r(L"a-b-c");
    EXPECT_EQ(r.Replace(L"-", L"::"), 2);
    EXPECT_STREQ(r, L"a::b::c");
    EXPECT_EQ(CString(L"Arial").CompareNoCase(L"ARIAL"), 0);
    EXPECT_TRUE(CString(L"a") < CString(L"b"));
}

TEST(CString, BufferAccessForWin32Calls)
{
    CString s(L"keep");
    CString shared = s;
    wchar_t* buffer = s.GetBuffer(64);
    wcscpy(buffer, L"filled by a call");
    s.ReleaseBuffer();
    EXPECT_STREQ(s, L"filled by a call");
    EXPECT_STREQ(shared, L"keep");
    s.GetBuffer(10)[2] = 0;
    s.ReleaseBuffer();
    EXPECT_STREQ(s, L"fi");
}

TEST(CString, CopiesOnManyThreadsKeepCountsRight)
{
    CString shared(L"shared text");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                CString copy = shared;
                CString other(copy);
                copy = other;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_STREQ(shared, L"shared text");
}
