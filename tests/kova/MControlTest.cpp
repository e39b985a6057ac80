#include <gtest/gtest.h>

#include <windows.h>
#include <string>
#include <vector>
#include "controls/MControl.h"
#include "host/PaintManager.h"
#include "support/LeakCounters.h"
#include "support/PaintProbe.h"
#include "support/TestHost.h"

using namespace KOVA;

namespace {
// A parent that records what its children report.
class RecordingParent : public MObject {
public:
    struct Update {
        CRect rect;
        int rebuild;
        MControl* control;
    };
    std::vector<Update> updates;
    struct Note {
        unsigned id, code, wParam;
        long lParam;
    };
    std::vector<Note> notes;
    const wchar_t* name = nullptr;

    const wchar_t* GetClassNameW() const override { return name; }
    long OnControlUpdate(CRect rect, int rebuild, MControl* control) override
    {
        updates.push_back({rect, rebuild, control});
        return 0;
    }
    long OnBaseMessage(unsigned id, unsigned code, unsigned wParam, long lParam) override
    {
        notes.push_back({id, code, wParam, lParam});
        return 77;
    }
};

// A 100 x 100 memory DC compatible with the screen, as a frame is.
struct ScreenCanvas {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 100, 100);
    HGDIOBJ old = SelectObject(dc, bitmap);
    ~ScreenCanvas()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    }
};

class NamedBox : public ColourBox {
public:
    NamedBox(MObject* parent, const wchar_t* name) : ColourBox(parent, 9, CRect(0, 0, 5, 5), 0), name(name) {}
    const wchar_t* GetClassNameW() const override { return name; }
    const wchar_t* name;
};

// Remembers focus changes and scroll offers.
class FocusBox : public ColourBox {
public:
    using ColourBox::ColourBox;
    std::vector<int> focusCalls;
    int scrollAnswer = 0;
    int scrollOffers = 0;
    int SetControlFocus(int focus) override
    {
        focusCalls.push_back(focus);
        return MControl::SetControlFocus(focus);
    }
    int OnControlScroll(int, unsigned, CPoint) override
    {
        ++scrollOffers;
        return scrollAnswer;
    }
};
} // namespace

TEST(MControl, ClassIdentityIsTheExactClassName)
{
    RecordingParent parent;
    ColourBox plain(&parent, 1, CRect(0, 0, 5, 5), 0);
    NamedBox icon(&parent, L"IconButton");
    NamedBox unnamed(&parent, nullptr);
    struct Case {
        MObject* object;
        const wchar_t* asked;
        int expected;
    } cases[] = {
        {&plain, L"MControl", 1},   {&plain, L"mcontrol", 0}, {&plain, L"MControl ", 0},
        {&icon, L"MControl", 0},    {&icon, L"IconButton", 1}, {&unnamed, L"", 0},
        {&parent, L"MControl", 0},  {&plain, nullptr, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.object->IsClass(c.asked), c.expected) << (c.asked ? c.asked : L"(null)");
}

TEST(MControl, VisibilityEnablingAndGeometryAreReportedToTheParent)
{
    RecordingParent parent;
    ColourBox box(&parent, 3, CRect(0, 0, 10, 10), 0);

    box.SetVisible(1);
    box.SetEnabled(1);
    EXPECT_TRUE(parent.updates.empty()) << "unchanged values report nothing";

    box.SetRect(CRect(20, 0, 30, 10));
    ASSERT_EQ(parent.updates.size(), 1u);
    EXPECT_EQ(parent.updates[0].rect, CRect(0, 0, 30, 10)) << "old and new place together";
    EXPECT_EQ(parent.updates[0].rebuild, 1);
    EXPECT_EQ(parent.updates[0].control, &box);

    box.SetEnabled(0);
    ASSERT_EQ(parent.updates.size(), 2u);
    EXPECT_EQ(parent.updates[1].rect, CRect(20, 0, 30, 10));
    EXPECT_EQ(box.IsEnabled(), 0);

    box.SetVisible(0);
    ASSERT_EQ(parent.updates.size(), 3u) << "hiding reports the place to repaint";
    EXPECT_EQ(parent.updates[2].rebuild, 1);

    parent.updates.clear();
    box.SetRect(CRect(0, 0, 10, 10));
    box.SetEnabled(1);
    box.UpdateControl(1, 0);
    EXPECT_TRUE(parent.updates.empty()) << "an invisible control reports nothing";
    box.UpdateControl(CRect(1, 2, 3, 4), 0, 1);
    ASSERT_EQ(parent.updates.size(), 1u) << "unless forced";
    EXPECT_EQ(parent.updates[0].rect, CRect(1, 2, 3, 4));
    EXPECT_EQ(parent.updates[0].rebuild, 0);

    box.SetVisible(1, 0);
    EXPECT_EQ(parent.updates.size(), 1u) << "notify 0 changes the flag silently";
    EXPECT_EQ(box.IsVisible(), 1);

    box.SetRect(5, 6, 10, 20);
    EXPECT_EQ(box.GetRect(), CRect(5, 6, 15, 26));

    parent.updates.clear();
    box.UpdateAControl(1, 0);
    EXPECT_EQ(box.Animating(), 0);
    box.UpdateAControl(0, 0);
    EXPECT_EQ(box.Animating(), 1);
    ASSERT_EQ(parent.updates.size(), 2u);
    EXPECT_EQ(parent.updates[1].rebuild, 0) << "an animation step keeps the cache";
}

TEST(MControl, NotificationsGoToTheParentWithTheSendersId)
{
    RecordingParent parent;
    ColourBox box(&parent, 42, CRect(0, 0, 5, 5), 0);
    EXPECT_EQ(box.SendMessageW(2, 5, -6), 77);
    ASSERT_EQ(parent.notes.size(), 1u);
    EXPECT_EQ(parent.notes[0].id, 42u);
    EXPECT_EQ(parent.notes[0].code, 2u);
    EXPECT_EQ(parent.notes[0].wParam, 5u);
    EXPECT_EQ(parent.notes[0].lParam, -6);
    ColourBox orphan(nullptr, 1, CRect(), 0);
    EXPECT_EQ(orphan.SendMessageW(1, 0, 0), 0);
}

TEST(MControl, ParentVisibilityFollowsTheChainUpToTheDialog)
{
    RecordingParent dialog;
    dialog.name = L"MDialog";
    RecordingParent popup; // a window that is no control and has no class name
    ColourBox outer(&dialog, 1, CRect(0, 0, 50, 50), 0);
    ColourBox inner(&outer, 2, CRect(0, 0, 20, 20), 0);
    ColourBox leaf(&inner, 3, CRect(0, 0, 5, 5), 0);
    ColourBox orphan(nullptr, 4, CRect(), 0);
    ColourBox inPopup(&popup, 5, CRect(), 0);

    EXPECT_EQ(orphan.IsParentVisible(), 0);
    EXPECT_EQ(outer.IsParentVisible(), 1);
    EXPECT_EQ(leaf.IsParentVisible(), 1);
    EXPECT_EQ(inPopup.IsParentVisible(), 1);
    outer.SetVisible(0);
    EXPECT_EQ(inner.IsParentVisible(), 0);
    EXPECT_EQ(leaf.IsParentVisible(), 0) << "a hidden grandparent hides the leaf";
    outer.SetVisible(1);
    inner.SetVisible(0);
    EXPECT_EQ(leaf.IsParentVisible(), 0);
}

TEST(MControl, DeletingAControlDeletesItsWholeSubtree)
{
    DeletedIds().clear();
    auto* root = new ColourBox(nullptr, 1, CRect(0, 0, 100, 100), 0);
    auto* child = new ColourBox(root, 2, CRect(0, 0, 50, 50), 0);
    auto* area = new ColourBox(root, 3, CRect(0, 0, 100, 100), 0);
    root->AddChild(child);
    root->AddArea(area);
    child->AddChild(new ColourBox(child, 4, CRect(0, 0, 10, 10), 0));
    child->AddArea(new ColourBox(child, 5, CRect(0, 0, 10, 10), 0));
    delete root;
    std::vector<unsigned> ids = DeletedIds();
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<unsigned>{1, 2, 3, 4, 5}));
}

TEST(MControl, RemoveControlDeletesOnlySubControls)
{
    DeletedIds().clear();
    PaintManager host;
    ColourBox root(nullptr, 1, CRect(0, 0, 100, 100), 0);
    root.SetManager(&host);
    auto* child = new ColourBox(&root, 2, CRect(0, 0, 50, 50), 0);
    auto* area = new ColourBox(&root, 3, CRect(0, 0, 50, 50), 0);
    root.AddChild(child);
    root.AddArea(area);
    root.SetHotChild(child);

    EXPECT_EQ(root.RemoveControl(area), 0);
    EXPECT_TRUE(DeletedIds().empty()) << "an area is not removed this way";
    EXPECT_EQ(root.GetControl(3), area);
    EXPECT_EQ(root.RemoveControl(child), 0);
    EXPECT_EQ(DeletedIds(), std::vector<unsigned>{2});
    EXPECT_EQ(root.GetControl(2), nullptr);
    EXPECT_EQ(root.HotChild(), nullptr) << "no pointer into the deleted child is kept";

    root.RemoveAllControl();
    EXPECT_EQ(DeletedIds(), (std::vector<unsigned>{2, 3}));
    EXPECT_TRUE(root.GetControls()->empty());
}

TEST(MControl, RemovingTheFocusedChildClearsTheHostsFocus)
{
    PaintManager host;
    ColourBox root(nullptr, 1, CRect(0, 0, 100, 100), 0);
    root.SetManager(&host);
    auto* child = new FocusBox(&root, 2, CRect(0, 0, 50, 50), 0);
    auto* grandchild = new FocusBox(child, 3, CRect(0, 0, 10, 10), 0);
    child->SetManager(&host);
    grandchild->SetManager(&host);
    child->AddChild(grandchild);
    root.AddChild(child);

    host.SetFocusControl(child);
    EXPECT_EQ(child->focusCalls, std::vector<int>{1});
    EXPECT_EQ(child->IsFocusControl(), 1);
    root.RemoveControl(child);
    EXPECT_EQ(host.GetFocusControl(), nullptr);

    // Focus deeper in a removed subtree is dropped as well.
    auto* other = new FocusBox(&root, 4, CRect(0, 0, 50, 50), 0);
    auto* deep = new FocusBox(other, 5, CRect(0, 0, 10, 10), 0);
    other->SetManager(&host);
    deep->SetManager(&host);
    other->AddChild(deep);
    root.AddChild(other);
    host.SetFocusControl(deep);
    root.RemoveControl(other);
    EXPECT_EQ(host.GetFocusControl(), nullptr);

    ColourBox detached(nullptr, 6, CRect(), 0);
    EXPECT_EQ(detached.RemoveControl(nullptr), 0) << "no host, nothing found: no crash";
}

TEST(MControl, LosingFocusReachesEverySubControl)
{
    FocusBox parent(nullptr, 1, CRect(0, 0, 50, 50), 0);
    auto* a = new FocusBox(&parent, 2, CRect(0, 0, 10, 10), 0);
    auto* b = new FocusBox(&parent, 3, CRect(60, 60, 70, 70), 0);
    parent.AddChild(a);
    parent.AddChild(b);
    EXPECT_EQ(parent.SetControlFocus(1), 0);
    EXPECT_TRUE(a->focusCalls.empty()) << "gaining focus does nothing";
    parent.SetControlFocus(0);
    EXPECT_EQ(a->focusCalls, std::vector<int>{0});
    EXPECT_EQ(b->focusCalls, std::vector<int>{0});
}

TEST(MControl, GetControlSearchesDepthFirstSubControlsBeforeAreas)
{
    ColourBox root(nullptr, 1, CRect(0, 0, 100, 100), 0);
    auto* a = new ColourBox(&root, 10, CRect(), 0);
    auto* b = new ColourBox(&root, 20, CRect(), 0);
    auto* area = new ColourBox(&root, 30, CRect(), 0);
    root.AddChild(a);
    root.AddChild(b);
    root.AddArea(area);
    auto* grandchild = new ColourBox(a, 11, CRect(), 0);
    a->AddChild(grandchild);
    auto* twinInArea = new ColourBox(area, 20, CRect(), 0);
    area->AddChild(twinInArea);
    auto* twinDeep = new ColourBox(grandchild, 20, CRect(), 0);
    grandchild->AddChild(twinDeep);

    EXPECT_EQ(root.GetControl(11), grandchild);
    EXPECT_EQ(root.GetControl(30), area);
    EXPECT_EQ(root.GetControl(20), twinDeep) << "depth first: a's subtree is searched before b";
    EXPECT_EQ(root.GetControl(99), nullptr);
    EXPECT_EQ(root.GetControl(1), nullptr) << "the control itself is not a match";
}

TEST(MControl, DrawPaintsAreasThenItselfThenVisibleSubControls)
{
    std::vector<std::wstring> log;
    ColourBox root(nullptr, 1, CRect(0, 0, 100, 100), 0x0000FF);
    auto* under = new ColourBox(&root, 2, CRect(0, 0, 100, 100), 0);
    auto* elsewhere = new ColourBox(&root, 3, CRect(200, 200, 210, 210), 0);
    auto* first = new ColourBox(&root, 4, CRect(10, 10, 20, 20), 0);
    auto* hidden = new ColourBox(&root, 5, CRect(10, 10, 20, 20), 0);
    auto* second = new ColourBox(&root, 6, CRect(15, 15, 30, 30), 0);
    hidden->SetVisible(0);
    root.AddArea(under);
    root.AddArea(elsewhere);
    root.AddChild(first);
    root.AddChild(hidden);
    root.AddChild(second);
    for (ColourBox* box : {&root, under, elsewhere, first, hidden, second}) box->drawLog = &log;

    ScreenCanvas canvas;
    HDC dc = canvas.dc;
    root.Draw(dc, CRect(0, 0, 100, 100));
    EXPECT_EQ(log, (std::vector<std::wstring>{L"2", L"1", L"4", L"6"}));
    EXPECT_EQ(GetPixel(dc, 25, 25), COLORREF(0)) << "the later child is on top";
    EXPECT_EQ(GetPixel(dc, 50, 50), COLORREF(0x0000FF));

    log.clear();
    root.Draw(dc, CRect(100, 100, 150, 150));
    EXPECT_TRUE(log.empty()) << "outside the paint rectangle nothing is drawn";
    root.SetVisible(0);
    root.Draw(dc, CRect(0, 0, 100, 100));
    EXPECT_TRUE(log.empty());
}

TEST(MControl, CacheIsRebuiltOnlyWhenInvalidAndRecreatedOnlyWhenTheSizeChanges)
{
    ColourBox box(nullptr, 1, CRect(0, 0, 20, 20), 0x00FF00);
    auto* over = new ColourBox(&box, 2, CRect(5, 5, 10, 10), 0);
    auto* apart = new ColourBox(&box, 3, CRect(50, 50, 60, 60), 0);
    box.AddChild(over);
    box.AddChild(apart);
    ScreenCanvas canvas;
    HDC dc = canvas.dc;

    box.Draw(dc, CRect(0, 0, 100, 100));
    EXPECT_EQ(box.rebuilds, 1);
    EXPECT_EQ(box.GetUpdate(), 1);
    HDC cache = box.CacheDC();
    box.Draw(dc, CRect(0, 0, 100, 100));
    EXPECT_EQ(box.rebuilds, 1) << "a valid cache is only copied";

    apart->Draw(dc, CRect(0, 0, 100, 100));
    box.SetUpdate(0, 0);
    EXPECT_EQ(over->GetUpdate(), 0);
    EXPECT_EQ(apart->GetUpdate(), 1) << "only children over the control are invalidated";
    box.Draw(dc, CRect(0, 0, 100, 100));
    EXPECT_EQ(box.rebuilds, 2);
    EXPECT_EQ(box.CacheDC(), cache) << "same size: the surface is kept";

    box.SetControlRect(CRect(0, 0, 30, 30));
    box.SetUpdate(0, 0);
    box.Draw(dc, CRect(0, 0, 100, 100));
    EXPECT_EQ(GetPixel(dc, 25, 25), COLORREF(0x00FF00)) << "the new size is drawn";

    const int before = CountGdiObjects();
    for (int i = 0; i < 200; ++i) {
        box.SetControlRect(CRect(0, 0, 30 + i % 2, 30));
        box.SetUpdate(0, 0);
        box.Draw(dc, CRect(0, 0, 100, 100));
    }
    EXPECT_EQ(CountGdiObjects(), before) << "replaced surfaces are released";
}

TEST(MControl, CursorByNameIsShownOverTheControl)
{
    ColourBox box(nullptr, 1, CRect(10, 10, 50, 50), 0);
    EXPECT_EQ(box.OnControlSetCursor(0, CPoint(20, 20)), 0) << "no cursor chosen";
    EXPECT_EQ(box.SetCursorEx(L"hand"), 0);
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    EXPECT_EQ(box.GetCursor(), hand);
    box.SetCursorEx(L"pointer");
    box.SetCursorEx(L"Hand");
    EXPECT_EQ(box.GetCursor(), hand) << "unknown names leave the cursor";
    EXPECT_EQ(box.OnControlSetCursor(0, CPoint(20, 20)), 1);
    EXPECT_EQ(GetCursor(), hand);
    EXPECT_EQ(box.OnControlSetCursor(0, CPoint(50, 20)), 0) << "right edge is outside";

    struct Case {
        const wchar_t* name;
        LPCWSTR id;
    } cases[] = {{L"arrow", IDC_ARROW}, {L"wait", IDC_WAIT},     {L"cross", IDC_CROSS}, {L"sizewe", IDC_SIZEWE},
                 {L"sizens", IDC_SIZENS}, {L"help", IDC_HELP}};
    for (const Case& c : cases) {
        box.SetCursorEx(c.name);
        EXPECT_EQ(box.GetCursor(), LoadCursorW(nullptr, c.id)) << c.name;
    }
}

TEST(MControl, PositionItem2Value)
{
    struct Case {
        FS_POSITION_ITEM item;
        int start, end, expected;
    } cases[] = {
        {{0, 0, 12.9f}, 10, 100, 22},  {{0, 1, 12.9f}, 10, 100, 88},  {{1, 0, 10}, 0, 101, 60},
        {{1, 1, 10}, 0, 101, 40},      {{2, 0, 150}, 0, 200, 200},    {{2, 0, 25}, 100, 200, 125},
        {{2, 0, 33.3f}, 0, 10, 3},     {{7, 0, 5}, 0, 100, 0},        {{0, 0, -4}, 10, 100, 6},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MControl::PositionItem2Value(c.item, c.start, c.end), c.expected)
            << "kind " << c.item.kind << " value " << c.item.value;
}

TEST(MControl, HitTestExcludesRightAndBottomAndHiddenControls)
{
    ColourBox box(nullptr, 1, CRect(10, 10, 20, 20), 0);
    EXPECT_EQ(box.PtInRect(CPoint(10, 10)), 1);
    EXPECT_EQ(box.PtInRect(CPoint(19, 19)), 1);
    EXPECT_EQ(box.PtInRect(CPoint(20, 19)), 0);
    EXPECT_EQ(box.PtInRect(CPoint(19, 20)), 0);
    box.SetVisible(0);
    EXPECT_EQ(box.PtInRect(CPoint(15, 15)), 0);
}

TEST(MControl, WheelGoesToTheControlThenToTheFirstSubControlThatTakesIt)
{
    FocusBox parent(nullptr, 1, CRect(0, 0, 100, 100), 0);
    auto* a = new FocusBox(&parent, 2, CRect(0, 0, 50, 50), 0);
    auto* b = new FocusBox(&parent, 3, CRect(0, 0, 50, 50), 0);
    parent.AddChild(a);
    parent.AddChild(b);
    b->scrollAnswer = 1;
    EXPECT_EQ(parent.OnScroll(1, 1, CPoint(10, 10)), 1);
    EXPECT_EQ(a->scrollOffers, 1);
    EXPECT_EQ(b->scrollOffers, 1);
    EXPECT_EQ(parent.OnScroll(1, 1, CPoint(150, 10)), 0) << "outside the control";
    parent.scrollAnswer = 1;
    EXPECT_EQ(parent.OnScroll(1, 1, CPoint(10, 10)), 1);
    EXPECT_EQ(b->scrollOffers, 1) << "the control itself took it";
    parent.SetEnabled(0);
    EXPECT_EQ(parent.OnScroll(1, 1, CPoint(10, 10)), 0) << "a disabled control takes no wheel";
}

TEST(MControl, InvalidateRectAsksTheHostWindowForTheControlsPlace)
{
    HostWindow window;
    ASSERT_NE(window.Open(100, 100, 200, 150, false), nullptr);
    PumpFor(100);
    ValidateRect(window.GetSafeHwnd(), nullptr);
    auto* box = static_cast<ColourBox*>(window.host.InsertControl(1, new ColourBox(&window, 1, CRect(10, 20, 30, 40), 0)));
    box->InvalidateRect(nullptr, FALSE);
    RECT update;
    ASSERT_TRUE(GetUpdateRect(window.GetSafeHwnd(), &update, FALSE));
    EXPECT_EQ(CRect(update), CRect(10, 20, 30, 40));

    ValidateRect(window.GetSafeHwnd(), nullptr);
    window.host.SetLayeredWindow(TRUE);
    box->InvalidateRect(nullptr, FALSE);
    ASSERT_TRUE(GetUpdateRect(window.GetSafeHwnd(), &update, FALSE));
    EXPECT_EQ(CRect(update), CRect(0, 0, 200, 150)) << "a layered window is invalidated whole";

    ColourBox detached(nullptr, 2, CRect(0, 0, 5, 5), 0);
    detached.InvalidateRect(nullptr, TRUE); // no host: nothing happens
}
