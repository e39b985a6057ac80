// MControl: state, ownership of the subtree, geometry and visibility reports, the tree
// walks and the per-control drawing cache.
#include "MControl.h"

#include <cwchar>
#include "core/ScopedWin.h"
#include "host/PaintManager.h"

namespace KOVA {

namespace {
void ReleaseSurface(HDC& dc, HBITMAP& bitmap, HGDIOBJ& old)
{
    if (dc) {
        if (old) SelectObject(dc, old);
        DeleteDC(dc);
    }
    if (bitmap) DeleteObject(bitmap);
    dc = nullptr;
    bitmap = nullptr;
    old = nullptr;
}

void MakeSurface(HDC compatible, int width, int height, HDC& dc, HBITMAP& bitmap, HGDIOBJ& old)
{
    ReleaseSurface(dc, bitmap, old);
    dc = CreateCompatibleDC(compatible);
    bitmap = CreateCompatibleBitmap(compatible, width, height);
    if (dc && bitmap) old = SelectObject(dc, bitmap);
}
} // namespace

MControl::MControl(MObject* parent, unsigned id, CRect rect, int visible, int enabled, int mouseResponse)
    : m_pParent(parent), m_pManager(nullptr), m_uID(id), m_rect(rect), m_bVisible(visible ? 1 : 0),
      m_bEnabled(enabled ? 1 : 0), m_bDragDrop(0), m_bResponse(mouseResponse ? 1 : 0), m_bTabStop(0), m_bDblClk(0),
      m_bPressedInside(0), m_bKeyDown(0), m_bFocused(0), m_bUpdate(0), m_bAnimating(0), m_bRunTimer(0),
      m_nRunning(0), m_pHotChild(nullptr), m_nCacheWidth(0), m_nCacheHeight(0), m_hCacheBitmap(nullptr),
      m_hCacheDC(nullptr), m_hCacheOldBitmap(nullptr), m_nAnimWidth(0), m_nAnimHeight(0), m_hAnimBitmap(nullptr),
      m_hAnimDC(nullptr), m_hAnimOldBitmap(nullptr), m_hCursor(nullptr)
{
    InitializeCriticalSection(&m_csAreas);
    InitializeCriticalSection(&m_csControls);
}

MControl::~MControl()
{
    RemoveAllControl();
    ReleaseSurface(m_hCacheDC, m_hCacheBitmap, m_hCacheOldBitmap);
    ReleaseSurface(m_hAnimDC, m_hAnimBitmap, m_hAnimOldBitmap);
    DeleteCriticalSection(&m_csAreas);
    DeleteCriticalSection(&m_csControls);
}

const wchar_t* MControl::GetClassNameW() const { return L"MControl"; }
void MControl::InitControl(PaintManager*) {}

int MControl::OnScroll(int delta, unsigned flags, CPoint pt)
{
    if (!m_bVisible || !m_bResponse || !m_bEnabled) return 0;
    if (m_pHotChild && m_pHotChild->PtInRect(pt) && m_pHotChild->OnCheckMouseResponse(flags, pt))
        return m_pHotChild->OnScroll(delta, flags, pt) ? 1 : 0;
    if (!PtInRect(pt)) return 0;
    if (OnControlScroll(delta, flags, pt)) return 1;
    ScopedCritSec lock(&m_csControls);
    for (MControl* child : m_controls)
        if (child->PtInRect(pt) && child->OnScroll(delta, flags, pt)) return 1;
    return 0;
}

int MControl::PtInRect(CPoint pt) { return m_bVisible && m_rect.PtInRect(pt) ? 1 : 0; }

int MControl::DrawSubControls(HDC& dc, CRect paint)
{
    ScopedCritSec lock(&m_csControls);
    for (MControl* child : m_controls)
        if (child->IsVisible()) child->Draw(dc, paint);
    return 1;
}

int MControl::IsDraw(CPoint) { return 0; }

void MControl::SetUpdate(int update, unsigned long colour)
{
    m_bUpdate = update;
    for (MControl* child : m_controls) {
        CRect overlap;
        if (overlap.IntersectRect(child->m_rect, m_rect)) child->SetUpdate(update, colour);
    }
}

int MControl::SetControlFocus(int focus)
{
    if (focus) return 0;
    ScopedCritSec lock(&m_csControls);
    for (MControl* child : m_controls) child->SetControlFocus(0);
    return 0;
}

void MControl::InitUI(CRect) {}
int MControl::OnMousePointChange(CPoint&) { return 0; }
int MControl::OnCheckMouseResponse(unsigned, CPoint) { return 1; }
long MControl::OnWindowMessage(unsigned, unsigned, long) { return 0; }
long MControl::OnMessage(unsigned, unsigned, unsigned, long) { return 0; }
void MControl::SetControlRect(CRect rect) { m_rect = rect; }
void MControl::SetControlVisible(int visible) { m_bVisible = visible; }
void MControl::SetControlWndVisible(int) {}
void MControl::SetControlEnabled(int enabled) { m_bEnabled = enabled; }
int MControl::OnControlTimer() { return 0; }
HBITMAP MControl::GetControlDropBitmap() { return nullptr; }
int MControl::OnControlMouseMove(unsigned, CPoint) { return 0; }

int MControl::OnControlSetCursor(unsigned, CPoint pt)
{
    if (!m_hCursor || !m_rect.PtInRect(pt)) return 0;
    ::SetCursor(m_hCursor);
    return 1;
}

int MControl::OnControlLButtonDown(unsigned, CPoint) { return 0; }
int MControl::OnControlLButtonUp(unsigned, CPoint) { return 0; }
int MControl::OnControlLButtonDblClk(unsigned, CPoint) { return 0; }
int MControl::OnControlScroll(int, unsigned, CPoint) { return 0; }
int MControl::OnControlRButtonDown(unsigned, CPoint) { return 0; }
int MControl::OnControlRButtonUp(unsigned, CPoint) { return 0; }
int MControl::OnControlRButtonDblClk(unsigned, CPoint) { return 0; }
int MControl::OnControlKeyDown(unsigned, unsigned, unsigned) { return 0; }
void MControl::OnPositionChange() {}

void MControl::InvalidateRect(const RECT*, int erase)
{
    if (!m_pManager) return;
    HWND hwnd = m_pManager->GetPaintWnd();
    if (!hwnd || !IsWindow(hwnd)) return;
    // A layered window is always pushed whole.
    if (m_pManager->IsLayered()) ::InvalidateRect(hwnd, nullptr, TRUE);
    else ::InvalidateRect(hwnd, &m_rect, erase);
}

void MControl::SetManager(PaintManager* manager)
{
    m_pManager = manager;
    InitControl(manager);
}

void MControl::SetRect(CRect rect)
{
    CRect changed;
    changed.UnionRect(m_rect, rect);
    SetControlRect(rect);
    if (m_bVisible && m_pParent) m_pParent->OnControlUpdate(changed, 1, this);
}

void MControl::SetRect(int x, int y, int width, int height) { SetRect(CRect(x, y, x + width, y + height)); }

void MControl::SetVisible(int visible) { SetVisible(visible, 1); }

void MControl::SetVisible(int visible, int notify)
{
    visible = visible ? 1 : 0;
    if (visible == m_bVisible) return;
    SetControlVisible(visible);
    // Also when hidden: what lay below must be painted again.
    if (notify && m_pParent) m_pParent->OnControlUpdate(m_rect, 1, this);
}

int MControl::IsParentVisible()
{
    if (!m_pParent) return 0;
    const wchar_t* name = m_pParent->GetClassNameW();
    if (name && wcscmp(name, L"MDialog") == 0) return 1;
    // A parent that is no control (a menu or pop-up window) is the window itself.
    MControl* parent = dynamic_cast<MControl*>(m_pParent);
    if (!parent) return 1;
    return parent->m_bVisible & parent->IsParentVisible();
}

void MControl::SetEnabled(int enabled)
{
    enabled = enabled ? 1 : 0;
    if (enabled == m_bEnabled) return;
    SetControlEnabled(enabled);
    if (m_bVisible && m_pParent) m_pParent->OnControlUpdate(m_rect, 1, this);
}

void MControl::UpdateControl(int rebuild, int force) { UpdateControl(m_rect, rebuild, force); }

void MControl::UpdateControl(CRect rect, int rebuild, int force)
{
    if ((m_bVisible || force) && m_pParent) m_pParent->OnControlUpdate(rect, rebuild, this);
}

void MControl::UpdateAControl(int flag, int force)
{
    if (!m_bVisible && !force) return;
    m_bAnimating = flag ? 0 : 1;
    if (m_pParent) m_pParent->OnControlUpdate(m_rect, 0, this);
}

void MControl::UpdateMemDC(HDC& dc, int width, int height)
{
    m_bUpdate = 1;
    if (width == m_nCacheWidth && height == m_nCacheHeight) return;
    m_nCacheWidth = width;
    m_nCacheHeight = height;
    MakeSurface(dc, width, height, m_hCacheDC, m_hCacheBitmap, m_hCacheOldBitmap);
}

void MControl::UpdateAnimateDC(HDC& dc, int width, int height)
{
    m_bAnimating = 1;
    m_nAnimWidth = width;
    m_nAnimHeight = height;
    MakeSurface(dc, width, height, m_hAnimDC, m_hAnimBitmap, m_hAnimOldBitmap);
}

long MControl::SendMessageW(unsigned code, unsigned wParam, long lParam)
{
    return m_pParent ? m_pParent->OnBaseMessage(m_uID, code, wParam, lParam) : 0;
}

void MControl::Draw(HDC& dc, CRect paint)
{
    CRect overlap;
    if (!m_bVisible || !overlap.IntersectRect(m_rect, paint)) return;
    {
        ScopedCritSec lock(&m_csAreas);
        for (MControl* area : m_areas)
            if (overlap.IntersectRect(area->m_rect, m_rect)) area->Draw(dc, paint);
    }
    DrawControl(dc, paint);
    DrawSubControls(dc, paint);
}

void MControl::OnFocus(int focus) { SetControlFocus(focus); }

int MControl::IsFocusControl() { return m_pManager && m_pManager->GetFocusControl() == this ? 1 : 0; }

MControl* MControl::GetFocusControl(MControl*) { return nullptr; }
MControl* MControl::GetNextFocusableControl(MControl*) { return nullptr; }
MControl* MControl::GetPrevFocusableControl(MControl*) { return nullptr; }

MControl* MControl::GetControl(unsigned id)
{
    for (MControlList* list : {&m_controls, &m_areas}) {
        for (MControl* child : *list) {
            if (child->m_uID == id) return child;
            if (MControl* found = child->GetControl(id)) return found;
        }
    }
    return nullptr;
}

bool MControl::Contains(const MControl* other)
{
    if (!other) return false;
    if (other == this) return true;
    for (MControlList* list : {&m_controls, &m_areas})
        for (MControl* child : *list)
            if (child->Contains(other)) return true;
    return false;
}

int MControl::RemoveControl(MControl* child)
{
    if (m_pManager && child && m_pManager->GetFocusControl() == child) m_pManager->SetFocusControl(nullptr);
    ScopedCritSec lock(&m_csControls);
    for (auto it = m_controls.begin(); it != m_controls.end(); ++it) {
        if (*it != child) continue;
        m_controls.erase(it);
        if (m_pHotChild == child) m_pHotChild = nullptr;
        // The host must not keep pointing into the deleted subtree.
        if (m_pManager) m_pManager->ForgetSubtree(child);
        delete child;
        break;
    }
    return 0;
}

void MControl::RemoveAllControl()
{
    m_pHotChild = nullptr;
    for (auto [list, cs] : {std::pair{&m_areas, &m_csAreas}, std::pair{&m_controls, &m_csControls}}) {
        ScopedCritSec lock(cs);
        MControlList doomed;
        doomed.swap(*list);
        for (MControl* child : doomed) {
            if (m_pManager) m_pManager->ForgetSubtree(child);
            delete child;
        }
    }
}

void MControl::SetTooltip(const wchar_t* text) { m_strTooltip = text ? text : L""; }

long MControl::SetCursorEx(const wchar_t* name)
{
    static const struct {
        const wchar_t* name;
        WORD id;
    } cursors[] = {{L"arrow", 32512}, {L"wait", 32514},  {L"cross", 32515}, {L"sizewe", 32644},
                   {L"sizens", 32645}, {L"hand", 32649}, {L"help", 32651}};
    if (!name) return 0;
    for (const auto& c : cursors) {
        if (wcscmp(c.name, name) == 0) {
            m_hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(c.id));
            break;
        }
    }
    return 0;
}

int MControl::PositionItem2Value(const FS_POSITION_ITEM& item, int start, int end)
{
    int v = static_cast<int>(item.value);
    switch (item.kind) {
    case 0:
        return item.fromEnd ? end - v : start + v;
    case 1:
        return start + (end - start) / 2 + (item.fromEnd ? -v : v);
    case 2: {
        int result = start + static_cast<int>(static_cast<float>(end - start) * item.value / 100.0f);
        return result > end ? end : result;
    }
    default:
        return 0;
    }
}

} // namespace KOVA
