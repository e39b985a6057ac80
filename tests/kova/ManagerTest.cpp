#include <gtest/gtest.h>

#include <windows.h>
#include <thread>

#include "core/Geometry.h"
#include "core/Manager.h"
#include "support/ImportHook.h"

using namespace KOVA;

TEST(Manager, InitialValues)
{
    EXPECT_EQ(Manager::GetInstance(), nullptr);
    EXPECT_STREQ(Manager::GetFontName(), L"Arial");
    EXPECT_EQ(Manager::GetFontWidth(), 14);
    EXPECT_FLOAT_EQ(Manager::GetScaleValue(), 1.0f);
    EXPECT_EQ(Manager::GetSelectColor().GetValue(), 0xFFBD30FFu);
    EXPECT_FLOAT_EQ(Manager::GetCPUTemp(), 0.0f);
    EXPECT_STREQ(Manager::GetTheme(), L"theme1\\");
}

TEST(Manager, ScaleTruncatesTowardZero)
{
    struct Case { float scale; int in, out; } cases[] = {
        {1.0f, 15, 15}, {1.0f, -3, -3}, {1.5f, 15, 22}, {1.5f, -3, -4}, {1.25f, 3, 3}, {2.0f, -7, -14},
    };
    for (const Case& c : cases) {
        Manager::SetScaleValue(c.scale);
        EXPECT_EQ(Manager::GetScaleValue(c.in), c.out) << c.scale << " x " << c.in;
    }
    Manager::SetScaleValue(1.0f);
}

TEST(Manager, SettersAndInstance)
{
    HINSTANCE self = GetModuleHandleW(nullptr);
    Manager::SetInstance(self);
    EXPECT_EQ(Manager::GetInstance(), self);
    Manager::SetFont(L"Open Sans Semibold", 20);
    EXPECT_STREQ(Manager::GetFontName(), L"Open Sans Semibold");
    EXPECT_EQ(Manager::GetFontWidth(), 20);
    Manager::SetFontName(L"Arial");
    Manager::SetFontWidth(14);
    EXPECT_STREQ(Manager::GetFontName(), L"Arial");
    Manager::SetInstance(nullptr);
}

TEST(Manager, TemperatureCrossesThreads)
{
    std::thread writer([] {
        for (int i = 0; i <= 1000; ++i) Manager::SetCPUTemp(float(i));
    });
    writer.join();
    EXPECT_FLOAT_EQ(Manager::GetCPUTemp(), 1000.0f);
    Manager::SetCPUTemp(0.0f);
}

TEST(Manager, MessageLoopEndsAtQuitEvenWithWindowsOpen)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"open", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_NULL, 0, 0);
    PostQuitMessage(0);
    Manager::MessageLoop(); // returns at WM_QUIT
    EXPECT_TRUE(IsWindow(window));
    DestroyWindow(window);
}

TEST(Manager, MessageLoopDispatchesOrdinaryMessages)
{
    static int timerTicks = 0;
    HWND window = CreateWindowExW(0, L"STATIC", L"t", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    timerTicks = 0;
    SetTimer(window, 1, 10, [](HWND, UINT, UINT_PTR, DWORD) {
        if (++timerTicks == 3) PostQuitMessage(0);
    });
    Manager::MessageLoop();
    EXPECT_EQ(timerTicks, 3) << "timer messages were dispatched";
    MSG msg;
    EXPECT_EQ(Manager::PreTranslateMessage(&msg), 0);
    DestroyWindow(window);
}

TEST(Geometry, RectanglesAreExclusiveAtRightAndBottom)
{
    CRect r(40, 155, 300, 210);
    EXPECT_EQ(r.Width(), 260);
    EXPECT_EQ(r.Height(), 55);
    EXPECT_TRUE(r.PtInRect(CPoint(40, 155)));
    EXPECT_FALSE(r.PtInRect(CPoint(300, 210)));
    EXPECT_FALSE(r.PtInRect(CPoint(299, 210)));
    EXPECT_TRUE(r.PtInRect(CPoint(299, 209)));
    CRect i;
    EXPECT_FALSE(i.IntersectRect(r, CRect(0, 0, 40, 155)));
    EXPECT_TRUE(i.IsRectNull());
    EXPECT_TRUE(i.IntersectRect(r, CRect(0, 0, 50, 160)));
    EXPECT_EQ(i, CRect(40, 155, 50, 160));
    CRect moved = r;
    moved.OffsetRect(-40, -155);
    EXPECT_EQ(moved, CRect(0, 0, 260, 55));
    EXPECT_EQ(CPoint(MAKELPARAM(-5, 7)).x, -5);
}

namespace {
bool g_altF4Down = false;

SHORT WINAPI FakeAsyncKeyState(int key)
{
    return g_altF4Down && (key == VK_MENU || key == VK_F4) ? SHORT(0x8000) : 0;
}
} // namespace

// Alt+F4 would close the framework's borderless windows: the loop drops whatever arrives
// while both keys are down. The key state is answered by a hook (really pressing Alt+F4
// on the shared display would close other programs' windows).
TEST(Manager, MessageLoopDropsMessagesWhileAltF4IsDown)
{
    ImportHook keys(GetModuleHandleW(L"kova.dll"), "user32.dll", "GetAsyncKeyState",
                    reinterpret_cast<void*>(FakeAsyncKeyState));
    ASSERT_TRUE(keys.Installed());
    static int delivered = 0;
    HWND window = CreateWindowExW(0, L"STATIC", L"k", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    SetWindowLongPtrW(window, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                          if (m == WM_APP) ++delivered;
                          return DefWindowProcW(h, m, w, l);
                      }));
    auto run = [&](bool down) {
        delivered = 0;
        g_altF4Down = down;
        PostMessageW(window, WM_APP, 0, 0);
        PostMessageW(window, WM_APP, 0, 0);
        PostQuitMessage(0);
        Manager::MessageLoop();
    };
    run(true);
    EXPECT_EQ(delivered, 0) << "dropped while Alt and F4 are down";
    MSG msg;
    EXPECT_EQ(Manager::PreTranslateMessage(&msg), 1);
    run(false);
    EXPECT_EQ(delivered, 2);
    EXPECT_EQ(Manager::PreTranslateMessage(&msg), 0);
    g_altF4Down = false;
    DestroyWindow(window);
}
