#pragma once
// Base of every windowless control. A control has no window of its own: its host
// (PaintManager) owns the top-level controls, paints them into its off-screen frame and
// hands them input; a control owns its own children and deletes them with itself.
// Rectangles and points are in client coordinates of the host window, also for nested
// controls.
#include <windows.h>
#include <vector>
#include "MObject.h"
#include "core/CString.h"
#include "core/Geometry.h"
#include "core/KovaApi.h"

namespace KOVA {

class PaintManager;
class MControl;
typedef std::vector<MControl*> MControlList;

// One coordinate of a computed layout: kind 0 offset from start (or from end), 1 from the
// middle, 2 percentage of the span.
struct FS_POSITION_ITEM {
    int kind;
    int fromEnd;
    float value;
};

class KOVA_API MControl : public MObject {
public:
    MControl(MObject* parent, unsigned id, CRect rect, int visible, int enabled, int mouseResponse);

    // The virtual interface, in this order after MObject's; controls of the program and of
    // later framework parts override these.
    ~MControl() override; // deletes the whole subtree
    const wchar_t* GetClassNameW() const override;
    virtual void InitControl(PaintManager* manager);
    virtual int OnScroll(int delta, unsigned flags, CPoint pt);
    virtual int PtInRect(CPoint pt);
    virtual void DrawControl(HDC& dc, CRect paint) = 0;
    virtual int DrawSubControls(HDC& dc, CRect paint);
    virtual int IsDraw(CPoint pt);
    virtual void SetUpdate(int update, unsigned long colour);
    virtual int SetControlFocus(int focus);
    virtual void InitUI(CRect rect);
    virtual int OnMousePointChange(CPoint& pt);
    virtual int OnCheckMouseResponse(unsigned flags, CPoint pt);
    virtual long OnWindowMessage(unsigned msg, unsigned wParam, long lParam);
    virtual long OnMessage(unsigned id, unsigned code, unsigned wParam, long lParam);
    virtual void SetControlRect(CRect rect);
    virtual void SetControlVisible(int visible);
    virtual void SetControlWndVisible(int visible);
    virtual void SetControlEnabled(int enabled);
    virtual int OnControlTimer();
    virtual HBITMAP GetControlDropBitmap();
    virtual int OnControlMouseMove(unsigned flags, CPoint pt);
    virtual int OnControlSetCursor(unsigned flags, CPoint pt);
    virtual int OnControlLButtonDown(unsigned flags, CPoint pt);
    virtual int OnControlLButtonUp(unsigned flags, CPoint pt);
    virtual int OnControlLButtonDblClk(unsigned flags, CPoint pt);
    virtual int OnControlScroll(int delta, unsigned flags, CPoint pt);
    virtual int OnControlRButtonDown(unsigned flags, CPoint pt);
    virtual int OnControlRButtonUp(unsigned flags, CPoint pt);
    virtual int OnControlRButtonDblClk(unsigned flags, CPoint pt);
    virtual int OnControlKeyDown(unsigned key, unsigned repeat, unsigned flags);
    virtual void OnPositionChange();
    virtual void InvalidateRect(const RECT* rect, int erase);

    // Wiring.
    void SetManager(PaintManager* manager);
    PaintManager* GetManager() const { return m_pManager; }
    MObject* GetParantObject() const { return m_pParent; }
    void SetParent(MObject* parent) { m_pParent = parent; }
    unsigned GetControlID() const { return m_uID; }
    CRect GetRect() const { return m_rect; }
    MControlList* GetControls() { return &m_controls; }

    // Geometry, visibility, enabling: changes are reported to the parent.
    void SetRect(CRect rect);
    void SetRect(int x, int y, int width, int height);
    void SetVisible(int visible);
    void SetVisible(int visible, int notify);
    int IsVisible() const { return m_bVisible; }
    int IsParentVisible();
    void SetEnabled(int enabled);
    int IsEnabled() const { return m_bEnabled; }

    void SetDragDrop(int drag) { m_bDragDrop = drag; }
    int IsDragDrop() const { return m_bDragDrop; }
    void SetRresponse(int response) { m_bResponse = response; }
    int GetRresponse() const { return m_bResponse; }
    void SetTabStop(int tabStop) { m_bTabStop = tabStop; }
    int IsTabStop() const { return m_bTabStop; }
    int GetDblClk() const { return m_bDblClk; }
    int IsKeyDown() const { return m_bKeyDown; }
    int IsFocused() const { return m_bFocused; }

    // Repaint requests and the drawing cache.
    void UpdateControl(int rebuild, int force);
    void UpdateControl(CRect rect, int rebuild, int force);
    void UpdateAControl(int flag, int force);
    int GetUpdate() const { return m_bUpdate; }
    void UpdateMemDC(HDC& dc, int width, int height);
    void UpdateAnimateDC(HDC& dc, int width, int height);

    // Notifies the parent: OnBaseMessage(id, code, wParam, lParam).
    long SendMessageW(unsigned code, unsigned wParam, long lParam);

    void Draw(HDC& dc, CRect paint);

    void OnFocus(int focus);
    int IsFocusControl();
    MControl* GetFocusControl(MControl* from);
    MControl* GetNextFocusableControl(MControl* from);
    MControl* GetPrevFocusableControl(MControl* from);

    MControl* GetControl(unsigned id);
    int RemoveControl(MControl* child);
    void RemoveAllControl();

    void SetRunTimer(int run) { m_bRunTimer = run; }
    int IsRunTimer() const { return m_bRunTimer; }

    void SetTooltip(const wchar_t* text);
    CString GetTooltip() const { return m_strTooltip; }
    void SetTooltipCtrlID(int) {}
    int GetTooltipCtrlID() const { return 0; }
    // "arrow", "wait", "cross", "sizewe", "sizens", "hand", "help"; other names change nothing.
    long SetCursorEx(const wchar_t* name);
    HCURSOR GetCursor() const { return m_hCursor; }

    HBITMAP GetDropBitmap() { return GetControlDropBitmap(); }

    static int PositionItem2Value(const FS_POSITION_ITEM& item, int start, int end);

protected:
    // True when other is this control or lies anywhere in its subtree.
    bool Contains(const MControl* other);

    MObject* m_pParent;
    PaintManager* m_pManager;
    unsigned m_uID;
    CRect m_rect;
    int m_bVisible;
    int m_bEnabled;
    int m_bDragDrop;
    int m_bResponse;
    int m_bTabStop;
    int m_bDblClk;
    int m_bPressedInside;
    int m_bKeyDown;
    int m_bFocused;
    int m_bUpdate;
    int m_bAnimating;
    int m_bRunTimer;
    int m_nRunning;
    MControlList m_areas;
    MControlList m_controls;
    CRITICAL_SECTION m_csAreas;
    CRITICAL_SECTION m_csControls;
    MControl* m_pHotChild;
    int m_nCacheWidth;
    int m_nCacheHeight;
    HBITMAP m_hCacheBitmap;
    HDC m_hCacheDC;
    HGDIOBJ m_hCacheOldBitmap;
    int m_nAnimWidth;
    int m_nAnimHeight;
    HBITMAP m_hAnimBitmap;
    HDC m_hAnimDC;
    HGDIOBJ m_hAnimOldBitmap;
    CString m_strTooltip;
    HCURSOR m_hCursor;

    friend class PaintManager;
};

} // namespace KOVA
