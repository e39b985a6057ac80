#include <gtest/gtest.h>

#include <windows.h>
#include <functional>
#include <vector>
#include "core/MWindow.h"
#include "core/Manager.h"
#include "support/LeakCounters.h"
#include "support/PaintProbe.h"

using namespace KOVA;

namespace {
// Records what the object sees of its window.
class RecordingWindow : public MWindow {
public:
    std::vector<UINT> messages;
    int initCalls = 0;
    int destroyCalls = 0;
    HWND destroyedHandle = nullptr;
    HWND handleDuringDestroy = reinterpret_cast<HWND>(1);
    LONG_PTR userDataDuringDestroy = -1;
    UINT swallow = 0; // PreTranslateMessage consumes this message
    std::function<void(UINT)> onMessage;

    int OnInitDialog() override
    {
        ++initCalls;
        return 1;
    }
    LRESULT OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back(msg);
        if (onMessage) onMessage(msg);
        return MWindow::OnWindowMessage(msg, wParam, lParam);
    }
    int PreTranslateMessage(MSG* msg) override { return msg->message == swallow && swallow ? 1 : 0; }
    void OnDestroyMessage(HWND hwnd) override
    {
        ++destroyCalls;
        destroyedHandle = hwnd;
        handleDuringDestroy = GetSafeHwnd();
        userDataDuringDestroy = GetWindowLongPtrW(hwnd, GWLP_USERDATA);
    }
    bool Saw(UINT msg) const
    {
        for (UINT m : messages)
            if (m == msg) return true;
        return false;
    }
    void ForceHandle(HWND hwnd) { m_hWnd = hwnd; }
};

HWND OpenPopup(MWindow& w, HWND owner, int x = 100, int y = 100, int width = 200, int height = 120)
{
    return w.Create(owner, L"popup", WS_POPUP, WS_EX_TOOLWINDOW, CRect(x, y, x + width, y + height));
}

RECT WorkArea(HWND window)
{
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}
} // namespace

TEST(MWindow, RoutesEveryMessageToTheObjectAndEndsWithOnDestroyMessage)
{
    RecordingWindow w;
    HWND hwnd = OpenPopup(w, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(w.GetSafeHwnd(), hwnd);
    EXPECT_EQ(w.initCalls, 1);
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    EXPECT_STREQ(cls, L"MWindow");
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&w));
    ASSERT_FALSE(w.messages.empty());
    EXPECT_EQ(w.messages.front(), UINT(WM_NCCREATE)) << "the first message the object sees";
    EXPECT_TRUE(w.Saw(WM_CREATE));

    EXPECT_EQ(SendMessageW(hwnd, WM_APP + 3, 0, 0), 0);
    EXPECT_TRUE(w.Saw(WM_APP + 3));

    EXPECT_TRUE(w.DestroyWindow());
    EXPECT_EQ(w.destroyCalls, 1);
    EXPECT_EQ(w.destroyedHandle, hwnd);
    EXPECT_EQ(w.handleDuringDestroy, nullptr) << "the handle is cleared before the last contact";
    EXPECT_EQ(w.userDataDuringDestroy, 0) << "the window no longer points at the object";
    EXPECT_TRUE(w.Saw(WM_DESTROY));
    EXPECT_FALSE(w.Saw(WM_NCDESTROY)) << "WM_NCDESTROY is never seen by OnWindowMessage";
    EXPECT_EQ(w.GetSafeHwnd(), nullptr);
}

TEST(MWindow, SecondCreateReturnsTheSameWindowWithoutInitialisingAgain)
{
    RecordingWindow w;
    HWND first = OpenPopup(w, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(OpenPopup(w, nullptr, 300, 300), first);
    EXPECT_EQ(w.initCalls, 1);

    // Once the window is gone the same object can create a new one.
    w.DestroyWindow();
    HWND second = OpenPopup(w, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(w.initCalls, 2);
    w.DestroyWindow();
}

TEST(MWindow, ShortCreateFormsUseTheDefaults)
{
    RecordingWindow w;
    HWND hwnd = w.Create(nullptr);
    ASSERT_NE(hwnd, nullptr);
    RECT rc;
    GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.right - rc.left, 800);
    EXPECT_EQ(rc.bottom - rc.top, 600);
    CString title;
    w.GetWindowTextW(title);
    EXPECT_STREQ(title, L"MWindow");
    EXPECT_EQ(w.GetWindowTextLengthW(), 7);
    w.SetWindowTextW(L"renamed");
    w.GetWindowTextW(title);
    EXPECT_STREQ(title, L"renamed");
    w.DestroyWindow();
}

namespace {
class EditWindow : public RecordingWindow {
public:
    const wchar_t* GetWindowClassName() const override { return L"KovaTestEdit"; }
    const wchar_t* GetSuperClassName() const override { return L"EDIT"; }
};
} // namespace

TEST(MWindow, SuperclassKeepsTheSystemBehaviourAndThePointerInAProperty)
{
    RecordingWindow parent;
    ASSERT_NE(OpenPopup(parent, nullptr), nullptr);
    EditWindow edit;
    HWND hwnd = edit.Create(parent.GetSafeHwnd(), L"", WS_CHILD | WS_VISIBLE, 0, CRect(5, 5, 150, 30));
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(GetPropW(hwnd, L"Control"), static_cast<HANDLE>(&edit));
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), 0) << "the user-data slot stays the system class's";

    // The edit control's own procedure still does the work.
    edit.SetWindowTextW(L"typed text");
    EXPECT_EQ(edit.GetWindowTextLengthW(), 10);
    SendMessageW(hwnd, EM_SETSEL, 0, 5);
    DWORD start = 0, end = 0;
    SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 5u);

    edit.DestroyWindow();
    EXPECT_EQ(edit.destroyCalls, 1);
    EXPECT_EQ(edit.destroyedHandle, hwnd);
    parent.DestroyWindow();
}

TEST(MWindow, WrappersWithoutAWindowAnswerTheirMissingValue)
{
    RecordingWindow w;
    // A creation that fails still runs the initialisation.
    HWND hwnd = w.Create(reinterpret_cast<HWND>(0x7777), L"orphan", WS_CHILD, 0, CRect(0, 0, 10, 10));
    EXPECT_EQ(hwnd, nullptr);
    EXPECT_EQ(w.initCalls, 1);

    RECT rc = {1, 2, 3, 4};
    POINT pt = {5, 6};
    CString text(L"kept");
    struct Case {
        const char* call;
        std::function<long long()> run;
        long long missing;
    } cases[] = {
        {"GetWindowTextLengthW", [&] { return w.GetWindowTextLengthW(); }, -1},
        {"ShowModal", [&] { return w.ShowModal(SW_SHOW); }, 0xFFFFFFFF},
        {"GetStyle", [&] { return w.GetStyle(); }, 0},
        {"GetExStyle", [&] { return w.GetExStyle(); }, 0},
        {"ModifyStyle", [&] { return w.ModifyStyle(0, WS_VISIBLE, SWP_FRAMECHANGED); }, 0},
        {"ModifyExStyle", [&] { return w.ModifyExStyle(0, WS_EX_TOPMOST); }, 0},
        {"GetClientRect", [&] { return w.GetClientRect(&rc); }, 0},
        {"GetWindowRect", [&] { return w.GetWindowRect(&rc); }, 0},
        {"EnableWindow", [&] { return w.EnableWindow(TRUE); }, 0},
        {"IsWindowEnabled", [&] { return w.IsWindowEnabled(); }, 0},
        {"IsWindowVisible", [&] { return w.IsWindowVisible(); }, 0},
        {"IsIconic", [&] { return w.IsIconic(); }, 0},
        {"SetCapture", [&] { return reinterpret_cast<long long>(w.SetCapture()); }, 0},
        {"SetFocus", [&] { return reinterpret_cast<long long>(w.SetFocus()); }, 0},
        {"ReleaseCapture", [&] { return w.ReleaseCapture(); }, 0},
        {"SetTimer", [&] { return w.SetTimer(5, 100); }, 0},
        {"KillTimer", [&] { return w.KillTimer(5); }, 0},
        {"ClientToScreen(POINT)", [&] { return w.ClientToScreen(&pt); }, 0},
        {"ScreenToClient(POINT)", [&] { return w.ScreenToClient(&pt); }, 0},
        {"ClientToScreen(RECT)", [&] { return w.ClientToScreen(&rc); }, 0},
        {"ScreenToClient(RECT)", [&] { return w.ScreenToClient(&rc); }, 0},
        {"SetWindowPos", [&] { return w.SetWindowPos(nullptr, 0, 0, 5, 5, 0); }, 0},
        {"MoveWindow", [&] { return w.MoveWindow(0, 0, 5, 5); }, 0},
        {"MoveWindow(RECT)", [&] { return w.MoveWindow(&rc); }, 0},
        {"DestroyWindow", [&] { return w.DestroyWindow(); }, 0},
        {"SendMessageW", [&] { return w.SendMessageW(WM_NULL); }, 0},
        {"PostMessageW", [&] { return w.PostMessageW(WM_NULL); }, 0},
        {"ShowWindow", [&] { return w.ShowWindow(SW_SHOW); }, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.run(), c.missing) << c.call;
    w.GetWindowTextW(text);
    w.SetWindowTextW(L"x");
    w.InvalidateRect(CRect(0, 0, 5, 5), TRUE);
    w.SetIcon(1);
    w.CenterWindow();
    w.BringToTop();
    EXPECT_STREQ(text, L"kept") << "no window: the text is left alone";
    EXPECT_EQ(rc.left, 1);
    EXPECT_EQ(pt.x, 5);

    // -1 counts as no window for the tests that only look at the handle.
    w.ForceHandle(reinterpret_cast<HWND>(-1));
    EXPECT_EQ(w.GetStyle(), 0u);
    EXPECT_EQ(w.SendMessageW(WM_NULL), 0);
    EXPECT_EQ(w.GetWindowTextLengthW(), -1);
    w.ForceHandle(nullptr);
}

TEST(MWindow, ShowModalReturnsTheCloseCodeAndReenablesTheOwner)
{
    RecordingWindow owner;
    ASSERT_NE(OpenPopup(owner, nullptr), nullptr);
    owner.ShowWindow(SW_SHOWNOACTIVATE);
    RecordingWindow modal;
    ASSERT_NE(OpenPopup(modal, owner.GetSafeHwnd(), 150, 150), nullptr);
    int ownerEnabledInside = -1;
    modal.onMessage = [&](UINT msg) {
        if (msg == WM_APP + 1) {
            ownerEnabledInside = IsWindowEnabled(owner.GetSafeHwnd());
            PostMessageW(modal.GetSafeHwnd(), WM_CLOSE, 7, 0); // default handling destroys the window
        }
    };
    modal.PostMessageW(WM_APP + 1);
    EXPECT_EQ(modal.ShowModal(SW_SHOWNOACTIVATE), 7u);
    EXPECT_EQ(ownerEnabledInside, 0) << "the owner is disabled while the modal loop runs";
    EXPECT_TRUE(IsWindowEnabled(owner.GetSafeHwnd()));
    EXPECT_EQ(modal.GetSafeHwnd(), nullptr);
    owner.DestroyWindow();
}

TEST(MWindow, ShowModalOfAWindowDestroyedWithoutCloseReturnsZero)
{
    RecordingWindow modal;
    ASSERT_NE(OpenPopup(modal, nullptr), nullptr);
    modal.onMessage = [&](UINT msg) {
        if (msg == WM_APP + 2) modal.DestroyWindow();
    };
    modal.PostMessageW(WM_APP + 2);
    EXPECT_EQ(modal.ShowModal(SW_SHOWNOACTIVATE), 0u);
}

TEST(MWindow, QuitDuringShowModalEndsTheLoopAndIsPostedAgain)
{
    RecordingWindow owner;
    ASSERT_NE(OpenPopup(owner, nullptr), nullptr);
    RecordingWindow modal;
    ASSERT_NE(OpenPopup(modal, owner.GetSafeHwnd(), 150, 150), nullptr);
    modal.onMessage = [&](UINT msg) {
        if (msg == WM_APP + 4) PostQuitMessage(42);
    };
    modal.PostMessageW(WM_APP + 4);
    EXPECT_EQ(modal.ShowModal(SW_SHOWNOACTIVATE), 0u);
    EXPECT_TRUE(IsWindow(modal.GetSafeHwnd())) << "the loop ended though the window still exists";
    EXPECT_TRUE(IsWindowEnabled(owner.GetSafeHwnd()));
    MSG msg = {};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "WM_QUIT is posted again";
    EXPECT_EQ(msg.wParam, 42u);
    modal.DestroyWindow();
    owner.DestroyWindow();
}

TEST(MWindow, ShowModalOffersEveryMessageToPreTranslateMessage)
{
    RecordingWindow modal;
    ASSERT_NE(OpenPopup(modal, nullptr), nullptr);
    modal.swallow = WM_APP + 5;
    modal.onMessage = [&](UINT msg) {
        if (msg == WM_APP + 6) modal.PostMessageW(WM_CLOSE, 2);
    };
    modal.PostMessageW(WM_APP + 5);
    modal.PostMessageW(WM_APP + 6);
    EXPECT_EQ(modal.ShowModal(SW_SHOWNOACTIVATE), 2u);
    EXPECT_FALSE(modal.Saw(WM_APP + 5)) << "consumed by PreTranslateMessage, never dispatched";
    EXPECT_TRUE(modal.Saw(WM_APP + 6));
}

TEST(MWindow, ModifyStyleTouchesTheWindowOnlyWhenSomethingChanges)
{
    RecordingWindow w;
    ASSERT_NE(OpenPopup(w, nullptr), nullptr);
    auto positionChanges = [&] {
        int n = 0;
        for (UINT m : w.messages) n += m == WM_WINDOWPOSCHANGING;
        return n;
    };
    const DWORD style = w.GetStyle();
    w.messages.clear();
    EXPECT_EQ(w.ModifyStyle(0, WS_POPUP, SWP_FRAMECHANGED), 0) << "WS_POPUP is already set";
    EXPECT_EQ(w.ModifyStyle(WS_CHILD, 0, SWP_FRAMECHANGED), 0) << "WS_CHILD is already clear";
    EXPECT_EQ(positionChanges(), 0) << "no SetWindowPos when nothing changes";

    EXPECT_EQ(w.ModifyStyle(0, WS_BORDER, 0), 1);
    EXPECT_EQ(w.GetStyle(), style | WS_BORDER);
    EXPECT_EQ(positionChanges(), 0) << "flags 0: the style is stored only";
    EXPECT_EQ(w.ModifyStyle(WS_BORDER, 0, SWP_FRAMECHANGED), 1);
    EXPECT_EQ(w.GetStyle(), style);
    EXPECT_GE(positionChanges(), 1);

    EXPECT_EQ(w.ModifyExStyle(0, WS_EX_TOOLWINDOW), 0);
    EXPECT_EQ(w.ModifyExStyle(0, WS_EX_ACCEPTFILES), 1);
    EXPECT_TRUE(w.GetExStyle() & WS_EX_ACCEPTFILES);
    w.DestroyWindow();
}

TEST(MWindow, CenterWindowCentresOnTheOwnerAndStaysInTheWorkArea)
{
    RecordingWindow owner;
    ASSERT_NE(OpenPopup(owner, nullptr, 300, 200, 400, 300), nullptr);
    owner.ShowWindow(SW_SHOWNOACTIVATE);
    const RECT work = WorkArea(owner.GetSafeHwnd());

    RecordingWindow w;
    ASSERT_NE(OpenPopup(w, owner.GetSafeHwnd(), 0, 0, 100, 50), nullptr);
    w.CenterWindow();
    RECT rc;
    GetWindowRect(w.GetSafeHwnd(), &rc);
    EXPECT_EQ(rc.left, 300 + 200 - 50);
    EXPECT_EQ(rc.top, 200 + 150 - 25);

    // An owner at the right edge: the window is pushed back inside.
    owner.MoveWindow(work.right - 40, 200, 40, 40);
    w.CenterWindow();
    GetWindowRect(w.GetSafeHwnd(), &rc);
    EXPECT_EQ(rc.right, work.right);

    // Larger than the work area: the top-left corner wins.
    RecordingWindow huge;
    ASSERT_NE(OpenPopup(huge, nullptr, 10, 10, work.right - work.left + 300, work.bottom - work.top + 200), nullptr);
    huge.CenterWindow();
    GetWindowRect(huge.GetSafeHwnd(), &rc);
    EXPECT_EQ(rc.left, work.left);
    EXPECT_EQ(rc.top, work.top);

    // A hidden owner does not count: centred in the work area.
    owner.ShowWindow(SW_HIDE);
    w.CenterWindow();
    GetWindowRect(w.GetSafeHwnd(), &rc);
    EXPECT_EQ(rc.left, (work.left + work.right) / 2 - 50);
    EXPECT_EQ(rc.top, (work.top + work.bottom) / 2 - 25);

    huge.DestroyWindow();
    w.DestroyWindow();
    owner.DestroyWindow();
}

TEST(MWindow, CenterWindowCentresAChildInItsParentsClientArea)
{
    RecordingWindow parent;
    ASSERT_NE(OpenPopup(parent, nullptr, 50, 50, 300, 200), nullptr);
    RecordingWindow child;
    ASSERT_NE(child.Create(parent.GetSafeHwnd(), L"child", WS_CHILD | WS_VISIBLE, 0, CRect(0, 0, 100, 40)), nullptr);
    child.CenterWindow();
    RECT rc;
    GetWindowRect(child.GetSafeHwnd(), &rc);
    MapWindowPoints(nullptr, parent.GetSafeHwnd(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.top, 80);
    parent.DestroyWindow();
}

TEST(MWindow, SetIconLoadsBothSizesFromTheInstanceWithoutLeaking)
{
    Manager::SetInstance(GetModuleHandleW(nullptr));
    RecordingWindow w;
    ASSERT_NE(OpenPopup(w, nullptr), nullptr);
    w.SetIcon(1);
    auto iconWidth = [&](WPARAM which) {
        HICON icon = reinterpret_cast<HICON>(SendMessageW(w.GetSafeHwnd(), WM_GETICON, which, 0));
        ICONINFO info = {};
        if (!icon || !GetIconInfo(icon, &info)) return 0;
        BITMAP bm = {};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
        return int(bm.bmWidth);
    };
    EXPECT_EQ(iconWidth(ICON_BIG), GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(iconWidth(ICON_SMALL), GetSystemMetrics(SM_CXSMICON));

    for (int i = 0; i < 5; ++i) w.SetIcon(1); // warm-up
    const int before = CountGdiObjects();
    for (int i = 0; i < 50; ++i) w.SetIcon(1);
    EXPECT_EQ(CountGdiObjects(), before) << "setting the icon again leaks nothing";
    w.DestroyWindow();
    Manager::SetInstance(nullptr);
}

TEST(MWindow, BringToTopRestoresAMinimizedWindowAndMakesItForeground)
{
    RecordingWindow w;
    ASSERT_NE(OpenPopup(w, nullptr), nullptr);
    w.ShowWindow(SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(w.IsIconic());
    w.BringToTop();
    PumpUntil([&] { return GetForegroundWindow() == w.GetSafeHwnd(); }, 2000);
    EXPECT_FALSE(w.IsIconic());
    EXPECT_TRUE(w.IsWindowVisible());
    EXPECT_EQ(GetForegroundWindow(), w.GetSafeHwnd());
    RecordingWindow other;
    ASSERT_NE(OpenPopup(other, nullptr, 400, 400), nullptr);
    other.ShowWindow(SW_SHOW);
    other.BringToTop();
    PumpUntil([&] { return GetForegroundWindow() == other.GetSafeHwnd(); }, 2000);
    EXPECT_EQ(GetForegroundWindow(), other.GetSafeHwnd()) << "plain";
    other.DestroyWindow();
    w.DestroyWindow();
}
