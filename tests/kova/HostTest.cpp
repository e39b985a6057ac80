#include <gtest/gtest.h>

#include <windows.h>
#include <algorithm>
#include "core/Manager.h"
#include "host/PaintManager.h"
#include "support/PaintProbe.h"
#include "support/TestHost.h"

using namespace KOVA;

namespace {
ColourBox* AddBox(HostWindow& w, unsigned mode, unsigned id, CRect rc, COLORREF colour = 0x202020)
{
    return static_cast<ColourBox*>(w.host.InsertControl(mode, new ColourBox(&w, id, rc, colour)));
}

class AnsweringWindow : public HostWindow {
public:
    std::vector<UINT> seen;
    LRESULT OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_APP + 9) {
            seen.push_back(msg);
            return 99;
        }
        return HostWindow::OnWindowMessage(msg, wParam, lParam);
    }
};

class ChildRecorder : public MWindow {
public:
    UINT lastMsg = 0;
    WPARAM lastW = 0;
    LRESULT OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg >= 0x2000) {
            lastMsg = msg;
            lastW = wParam;
            return 55;
        }
        return MWindow::OnWindowMessage(msg, wParam, lParam);
    }
};
} // namespace

TEST(Host, InitSetsTheDefaultsAndTheHostKnowsItsWindow)
{
    HostWindow w;
    EXPECT_EQ(w.host.GetScrollVID(), 0u);
    EXPECT_EQ(w.host.GetScrollHID(), 0u);
    EXPECT_EQ(w.host.GetDefaultEnabledColor(), COLORREF(0x808080));
    ASSERT_NE(w.Open(50, 50, 200, 150, false), nullptr);
    EXPECT_EQ(w.host.GetPaintWnd(), w.GetSafeHwnd());
    EXPECT_NE(w.host.GetPaintDC(), nullptr);
    EXPECT_EQ(w.host.GetMDialog(), static_cast<MWindow*>(&w));
    EXPECT_EQ(w.host.GetScrollVID(), 102u);
    EXPECT_EQ(w.host.GetScrollHID(), 101u);
    int width = 0, height = 0;
    w.host.GetClientSize(width, height);
    EXPECT_EQ(width, 200);
    EXPECT_EQ(height, 150);

    PaintManager loose;
    loose.Init(nullptr, nullptr);
    loose.Init(reinterpret_cast<HWND>(0x1234), nullptr);
    EXPECT_EQ(loose.GetPaintWnd(), nullptr) << "not a window: ignored";
}

TEST(Host, GetControlFindsControlsBeforeAreasAndNestedChildren)
{
    HostWindow w;
    ASSERT_NE(w.Open(50, 50, 200, 150, false), nullptr);
    ColourBox* area = AddBox(w, 0, 1, CRect(0, 0, 200, 150));
    auto* child = new ColourBox(area, 2, CRect(0, 0, 100, 100), 0);
    auto* grandchild = new ColourBox(child, 3, CRect(0, 0, 50, 50), 0);
    area->AddChild(child);
    child->AddChild(grandchild);
    EXPECT_EQ(w.host.GetControl(3), grandchild) << "two levels below an area";
    ColourBox* twin = AddBox(w, 1, 3, CRect(0, 0, 10, 10));
    EXPECT_EQ(w.host.GetControl(3), twin) << "the control list is searched first";
    EXPECT_EQ(w.host.GetControl(77), nullptr);
    ASSERT_EQ(w.host.GetControls()->size(), 1u);
    EXPECT_EQ(w.host.GetControls()->front(), twin);
    EXPECT_EQ(twin->GetManager(), &w.host) << "inserted controls know their host";
}

TEST(Host, RemovalDeletesFromTheControlListAndForgetsFocus)
{
    DeletedIds().clear();
    HostWindow w;
    ASSERT_NE(w.Open(50, 50, 200, 150, false), nullptr);
    ColourBox* area = AddBox(w, 0, 1, CRect(0, 0, 200, 150));
    ColourBox* a = AddBox(w, 1, 2, CRect(0, 0, 10, 10));
    ColourBox* b = AddBox(w, 1, 3, CRect(0, 0, 10, 10));

    w.host.RemoveControl(area);
    EXPECT_TRUE(DeletedIds().empty()) << "areas are not searched";
    w.host.SetFocusControl(a);
    w.host.RemoveControl(a);
    EXPECT_EQ(DeletedIds(), std::vector<unsigned>{2});
    EXPECT_EQ(w.host.GetFocusControl(), nullptr) << "no focus on a deleted control";
    EXPECT_EQ(w.host.GetControls()->size(), 1u);

    auto* inArea = new ColourBox(area, 4, CRect(0, 0, 5, 5), 0);
    inArea->SetManager(&w.host);
    area->AddChild(inArea);
    w.host.SetFocusControl(inArea);
    w.host.ClearAllControls();
    EXPECT_EQ(w.host.GetFocusControl(), nullptr);
    std::vector<unsigned> ids = DeletedIds();
    EXPECT_EQ(ids, (std::vector<unsigned>{2, 1, 4, 3})) << "areas with their subtree, then controls";
    EXPECT_TRUE(w.host.GetControls()->empty());
    (void)b;
}

TEST(Host, AChangedControlIsRedrawnWithEveryLaterControlOverIt)
{
    HostWindow w;
    ASSERT_NE(w.Open(60, 60, 200, 150, false), nullptr);
    ColourBox* background = AddBox(w, 0, 1, CRect(0, 0, 200, 150), 0x101010);
    ColourBox* a = AddBox(w, 1, 2, CRect(10, 10, 60, 60), 0x0000FF);
    ColourBox* b = AddBox(w, 1, 3, CRect(40, 40, 90, 90), 0x00FF00);
    ColourBox* c = AddBox(w, 1, 4, CRect(120, 10, 150, 40), 0xFF0000);
    PaintNow(w);
    ASSERT_EQ(ScreenPixel(w.GetSafeHwnd(), 20, 20), COLORREF(0x0000FF));
    for (ColourBox* box : {background, a, b, c}) box->rebuilds = box->draws = 0;

    ValidateRect(w.GetSafeHwnd(), nullptr);
    a->colour = 0xFF00FF;
    a->UpdateControl(1, 0);
    RECT update;
    ASSERT_TRUE(GetUpdateRect(w.GetSafeHwnd(), &update, FALSE));
    EXPECT_EQ(CRect(update), CRect(10, 10, 90, 90)) << "the changed control and the one covering it";
    EXPECT_EQ(b->GetUpdate(), 0) << "the covering control's cache is out of date";
    EXPECT_EQ(c->GetUpdate(), 1);
    EXPECT_EQ(background->GetUpdate(), 1) << "what lies below is not rebuilt";

    UpdateWindow(w.GetSafeHwnd());
    EXPECT_EQ(a->rebuilds, 1);
    EXPECT_EQ(b->rebuilds, 1);
    EXPECT_EQ(c->draws, 0) << "outside the update rectangle";
    EXPECT_EQ(background->rebuilds, 0);
    EXPECT_EQ(ScreenPixel(w.GetSafeHwnd(), 20, 20), COLORREF(0xFF00FF));
    EXPECT_EQ(ScreenPixel(w.GetSafeHwnd(), 50, 50), COLORREF(0x00FF00)) << "the later control stays on top";
    EXPECT_EQ(ScreenPixel(w.GetSafeHwnd(), 130, 20), COLORREF(0xFF0000));

    // An area's change marks the controls over it.
    ValidateRect(w.GetSafeHwnd(), nullptr);
    background->UpdateControl(CRect(0, 0, 200, 150), 1, 0);
    EXPECT_EQ(a->GetUpdate() + b->GetUpdate() + c->GetUpdate(), 0);
}

TEST(Host, ALayeredHostInvalidatesTheWholeWindow)
{
    HostWindow w;
    ASSERT_NE(w.Open(60, 60, 200, 150, true), nullptr);
    ColourBox* a = AddBox(w, 1, 2, CRect(10, 10, 20, 20));
    PaintNow(w);
    ValidateRect(w.GetSafeHwnd(), nullptr);
    a->UpdateControl(1, 0);
    RECT update;
    ASSERT_TRUE(GetUpdateRect(w.GetSafeHwnd(), &update, FALSE));
    EXPECT_EQ(CRect(update), CRect(0, 0, 200, 150));
}

TEST(Host, NotificationsAndHelpersDoNothingWithoutAWindow)
{
    PaintManager host;
    ColourBox box(nullptr, 1, CRect(0, 0, 5, 5), 0);
    EXPECT_EQ(host.OnControlUpdate(CRect(0, 0, 5, 5), TRUE, &box), 0);
    EXPECT_EQ(box.GetUpdate(), 0);
    EXPECT_EQ(host.OnControlUpdate(CRect(0, 0, 5, 5), TRUE, nullptr), 0);
    host.Invalidate();
    host.InvalidateRect(CRect(0, 0, 5, 5), TRUE);
    EXPECT_EQ(host.SendMessageW(WM_NULL), 0);
    EXPECT_EQ(host.PostMessageW(WM_NULL), 0);
    CRect rc(1, 2, 3, 4);
    host.GetClientRect(rc);
    EXPECT_EQ(rc, CRect(1, 2, 3, 4));
    host.DestroyData(); // not initialised: nothing to do
}

TEST(Host, PostMessageDeliversSynchronously)
{
    AnsweringWindow w;
    ASSERT_NE(w.Open(50, 50, 100, 100, false), nullptr);
    EXPECT_EQ(w.host.PostMessageW(WM_APP + 9), 99);
    EXPECT_EQ(w.seen.size(), 1u) << "handled before PostMessageW returned";
    EXPECT_EQ(w.host.SendMessageW(WM_APP + 9), 99);
}

TEST(Host, SizeLimitsApplyToGetMinMaxInfo)
{
    HostWindow w;
    ASSERT_NE(w.Open(50, 50, 200, 150, false), nullptr);
    w.host.SetWindowMixSize(150, 0);
    w.host.SetWindowMaxSize(0, 400);
    int a = 0, b = 0;
    w.host.GetWindowMinSize(a, b);
    EXPECT_EQ(a, 150);
    w.host.GetWindowManSize(a, b);
    EXPECT_EQ(b, 400);
    MINMAXINFO info = {};
    info.ptMinTrackSize = {1, 2};
    info.ptMaxTrackSize = {3, 4};
    info.ptMaxSize = {5, 6};
    SendMessageW(w.GetSafeHwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 150);
    EXPECT_EQ(info.ptMinTrackSize.y, 2) << "0 leaves the value alone";
    EXPECT_EQ(info.ptMaxTrackSize.x, 3);
    EXPECT_EQ(info.ptMaxTrackSize.y, 400);
    EXPECT_EQ(info.ptMaxSize.y, 400);
}

TEST(Host, CommandsFromANativeChildAreReflectedToIt)
{
    HostWindow w;
    ASSERT_NE(w.Open(50, 50, 200, 150, false), nullptr);
    ChildRecorder child;
    ASSERT_NE(child.Create(w.GetSafeHwnd(), L"", WS_CHILD, 0, CRect(0, 0, 20, 20)), nullptr);
    LRESULT r = SendMessageW(w.GetSafeHwnd(), WM_COMMAND, 0x10005, reinterpret_cast<LPARAM>(child.GetSafeHwnd()));
    EXPECT_EQ(child.lastMsg, 0x2111u);
    EXPECT_EQ(child.lastW, WPARAM(0x10005));
    EXPECT_EQ(r, 55);
}

TEST(Host, DestroyingTheWindowReleasesEverythingAndTheHostCanServeANewWindow)
{
    DeletedIds().clear();
    HostWindow w;
    ASSERT_NE(w.Open(50, 50, 120, 80, true), nullptr);
    AddBox(w, 0, 1, CRect(0, 0, 120, 80));
    AddBox(w, 1, 2, CRect(10, 10, 30, 30));
    ASSERT_NE(PaintNow(w), nullptr);
    w.DestroyWindow();
    EXPECT_EQ(DeletedIds(), (std::vector<unsigned>{1, 2}));
    EXPECT_EQ(w.host.GetPaintDC(), nullptr);
    EXPECT_EQ(w.host.GetControl(2), nullptr);

    // The same object creates a new window; the host works as before.
    ASSERT_NE(w.Open(50, 50, 120, 80, true), nullptr);
    EXPECT_EQ(w.initCalls, 2);
    ColourBox* box = AddBox(w, 1, 3, CRect(10, 10, 30, 30), 0x0000FF);
    const Frame* frame = PaintNow(w);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(Red(frame->At(20, 20)), 255);
    EXPECT_EQ(Alpha(frame->At(20, 20)), 255);
    (void)box;
}
