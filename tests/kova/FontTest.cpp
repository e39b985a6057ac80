// Runs in a Wine prefix whose fontconfig does not show Open Sans: whatever finds the
// face there found the framework's embedded copy.
#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>
#include <memory>
#include <vector>
#include "core/Manager.h"
#include "host/PaintManager.h"
#include "support/ImportHook.h"
#include "support/PaintProbe.h"
#include "support/TestHost.h"

using namespace KOVA;

namespace {
const wchar_t kFace[] = L"Open Sans Semibold";

// Wine's RemoveFontMemResourceEx is a stub that leaves the font registered, so the release
// is checked on the calls the framework makes.
std::vector<HANDLE> g_added, g_removed;
std::unique_ptr<ImportHook> g_add, g_remove;

HANDLE WINAPI RecordAdd(PVOID font, DWORD size, PVOID reserved, DWORD* count)
{
    HANDLE h = reinterpret_cast<decltype(&AddFontMemResourceEx)>(g_add->Original())(font, size, reserved, count);
    if (h) g_added.push_back(h);
    return h;
}

BOOL WINAPI RecordRemove(HANDLE h)
{
    g_removed.push_back(h);
    return reinterpret_cast<decltype(&RemoveFontMemResourceEx)>(g_remove->Original())(h);
}

int CountGdiFamilies(const wchar_t* face)
{
    LOGFONTW lf = {};
    lf.lfCharSet = DEFAULT_CHARSET;
    wcscpy(lf.lfFaceName, face);
    int count = 0;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(
        dc, &lf, [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p) -> int {
            ++*reinterpret_cast<int*>(p);
            return 1;
        },
        reinterpret_cast<LPARAM>(&count), 0);
    ReleaseDC(nullptr, dc);
    return count;
}

std::wstring FaceGdiChooses(const wchar_t* face)
{
    HFONT font = CreateFontW(-30, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t chosen[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, chosen);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    return chosen;
}
} // namespace

// One test: under Wine a memory font reaches GDI+ only when it was added before the
// process's first GDI+ font lookup, so the steps must run in this order.
TEST(FrameworkFont, HostStartUpRegistersOpenSansSemiboldForGdiAndGdiPlus)
{
    ASSERT_EQ(CountGdiFamilies(kFace), 0) << "this prefix must not see the system's Open Sans (FONTCONFIG_FILE)";
    HMODULE kova = GetModuleHandleW(L"kova.dll");
    g_add = std::make_unique<ImportHook>(kova, "gdi32.dll", "AddFontMemResourceEx", reinterpret_cast<void*>(RecordAdd));
    g_remove = std::make_unique<ImportHook>(kova, "gdi32.dll", "RemoveFontMemResourceEx",
                                            reinterpret_cast<void*>(RecordRemove));
    ASSERT_TRUE(g_add->Installed() && g_remove->Installed());

    HostWindow w;
    ASSERT_NE(w.Open(100, 100, 340, 250, true), nullptr);
    EXPECT_GT(CountGdiFamilies(kFace), 0) << "registered when the host started";
    EXPECT_EQ(FaceGdiChooses(kFace), std::wstring(kFace));

    Gdiplus::FontFamily family(kFace);
    ASSERT_EQ(family.GetLastStatus(), Gdiplus::Ok) << "GDI+ finds the face";
    wchar_t name[LF_FACESIZE] = {};
    family.GetFamilyName(name);
    EXPECT_STREQ(name, kFace);

    // The overlay drawn in the framework font once the application names it.
    Manager::SetFontName(kFace);
    Manager::SetCPUTemp(45.0f);
    w.host.EnableDrawInfo(TRUE);
    const Frame* frame = PaintNow(w);
    ASSERT_NE(frame, nullptr);
    int ink = 0;
    for (int y = 70; y < 130; ++y)
        for (int x = 110; x < 230; ++x) ink += Red(frame->At(x, y)) > 128;
    EXPECT_GT(ink, 100) << "the temperature is drawn in Open Sans Semibold";

    ASSERT_EQ(g_added.size(), 1u) << "one registration per host start";
    EXPECT_TRUE(g_removed.empty());
    w.DestroyWindow();
    EXPECT_EQ(g_removed, g_added) << "released with the host's data";
    Manager::SetFontName(L"Arial");
    Manager::SetCPUTemp(0.0f);

    // A private collection built from the same resource (Wine's GDI+ registers its
    // memory fonts with GDI as well, so this comes last).
    PaintManager host;
    Gdiplus::FontFamily* own = host.AddTempFont(L"framework", 106u);
    ASSERT_NE(own, nullptr);
    own->GetFamilyName(name);
    EXPECT_STREQ(name, kFace);
    EXPECT_EQ(host.AddTempFont(L"missing", 999u), nullptr);
}
