#pragma once
// The control host of one window. It owns the window's top-level controls in two ordered
// lists (areas below, controls above), turns a control's change into an invalid part of
// the window, paints the whole frame with GDI+ into a 32-bit ARGB bitmap and puts it on
// screen, and keeps the window's image cache and private fonts.
//
// Where the implementation lives:
//   host/PaintManager.cpp          lifecycle, the two lists, lookup and removal
//   host/PaintManagerWindow.cpp    window helpers, invalidation, change notification
//   host/PaintManagerMessages.cpp  the message entry and the handlers kept for subclasses
//   paint/PaintFrame.cpp           the paint procedure
//   paint/Background.cpp           the background image, the two-colour fill and their cache
//   paint/Overlays.cpp             the temperature read-out and the message strip drawing
//   paint/MessageStrip.cpp         the message and progress strips and their timers
//   render/ImageCache.cpp          the image cache
//   render/TempFonts.cpp           the private fonts
// Input routing, control timers, the caret, the shadow, tooltips and drag and drop join
// this class in their own files.
#include <windows.h>
#include <gdiplus.h>
#include <map>
#include <vector>
#include "controls/MControl.h"
#include "core/CString.h"
#include "core/Geometry.h"
#include "core/KovaApi.h"
#include "paint/PaintTypes.h"
#include "render/ImgResInfo.h"

namespace KOVA {

class MWindow;

class KOVA_API PaintManager {
public:
    PaintManager();
    virtual ~PaintManager();
    PaintManager(const PaintManager&) = delete;
    PaintManager& operator=(const PaintManager&) = delete;

    // Lifecycle: constructed -> Init -> initialised -> DestroyData -> not initialised.
    void Init(HWND hwnd, MWindow* owner);
    void DestroyData();
    void OnDestroyMessage(HWND hwnd);
    int PostNcDestroy();

    // Every window message, after the dialog's own handlers; non-zero means handled.
    LRESULT OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    // Controls. InsertControl attaches a new control to this host and appends it to the
    // area list (mode 0) or the control list (mode 1), which then owns it; the control
    // factory builds on it. Any other mode attaches without listing and returns the control.
    MControl* InsertControl(unsigned mode, MControl* control);
    MControl* GetControl(UINT id);
    MControlList* GetControls();
    void RemoveControl(MControl* control);
    void ClearAreaControls();
    void ClearControls();
    void ClearAllControls();

    void SetFocusControl(MControl* control);
    MControl* GetFocusControl() const { return m_pFocusControl; }
    MControl* GetHoverControl() const { return m_pHoverControl; }

    // Invalidation. A layered window is always invalidated whole, with erase.
    void Invalidate();
    void InvalidateRect(CRect rc, BOOL erase);
    LRESULT OnControlUpdate(CRect rc, BOOL update, MControl* control);

    // Window helpers; all do nothing without a window.
    void GetClientRect(CRect& rc);
    void GetWindowRect(CRect& rc);
    void GetClientSize(int& width, int& height);
    // Both deliver synchronously (SendMessageW), the second one too.
    LRESULT SendMessageW(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessageW(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    void SetCaptionRect(CRect rc) { m_rcCaption = rc; }
    void GetCaptionRect(CRect& rc) { rc = m_rcCaption; }
    void SetWindowMaxSize(int width, int height);
    void GetWindowManSize(int& width, int& height); // the maximum size
    void SetWindowMixSize(int width, int height);   // the minimum size
    void GetWindowMinSize(int& width, int& height);
    void EnableWndDrag(BOOL enable) { m_bWndDrag = enable ? 1 : 0; }
    void SetScrollResID(UINT vertical, UINT horizontal);
    UINT GetScrollVID() const { return m_uScrollVID; }
    UINT GetScrollHID() const { return m_uScrollHID; }
    COLORREF GetDefaultEnabledColor() const { return m_crDefaultEnabled; }
    void SetDefaultEnabledColor(COLORREF colour) { m_crDefaultEnabled = colour; }
    MWindow* GetMDialog() const { return m_pOwner; }
    HWND GetPaintWnd() const { return m_hWnd; }
    HDC GetPaintDC() const { return m_hDC; }

    // Painting. None of these setters repaints except SetMessage and SetProgress.
    int LoadBKImage(CString file);
    int LoadBKImage(UINT resourceId, CString resourceType);
    void SetBackMode(enumBackMode mode, int value);
    void SetBackColor(COLORREF inner, COLORREF border);
    void SetLayeredWindow(BOOL layered) { m_bLayered = layered ? 1 : 0; }
    int IsLayered() const { return m_bLayered; }
    void EnableDrawInfo(BOOL enable) { m_bDrawInfo = enable ? 1 : 0; }
    void SetMessage(CString text, CRect rc, MsgLevel level);
    void SetProgress(int percent, CString text, CRect rc);

    // Image cache: the first request for a name or id decides how the image is divided.
    ImgResInfo* AddImgResInfo(const wchar_t* name, int count);
    // module 1: the application's resources (Manager::SetInstance); 0: the framework's own.
    ImgResInfo* AddImgResInfo(unsigned id, CString type, int count, int module);
    void ClearImgResInfo();

    // Private fonts. FindTempFont answers with the framework font's family, whatever the name.
    void AddGDITempFont(unsigned id);
    Gdiplus::FontFamily* AddTempFont(const wchar_t* name, const wchar_t* file);
    Gdiplus::FontFamily* AddTempFont(const wchar_t* name, unsigned id);
    Gdiplus::FontFamily* FindTempFont(const wchar_t* name);
    void ClearTempFont();

protected:
    int OnPaint();
    void DrawBackImage(Gdiplus::Graphics& graphics, CRect client);
    void DrawControl(HDC& dc, CRect rc);
    void OnTimer(UINT id);

    // Kept for subclasses; the host never calls them itself.
    int OnCreate(CREATESTRUCTW* create);
    int OnSize(UINT type, int width, int height);
    int OnMouseHover(WPARAM wParam, LPARAM lParam);
    int OnNcHitTest(CPoint pt);
    int OnNcCalcSize(BOOL calcValidRects, NCCALCSIZE_PARAMS* params);
    int OnWindowPosChanging(WINDOWPOS* pos);
    int OnNcPaint();
    int OnDestroy();
    int OnGetMinMaxInfo(MINMAXINFO* info);
    int OnWindowPosChanged(WINDOWPOS* pos);

private:
    friend class MControl;

    bool HasWindow() const;
    void DeleteList(MControlList& list, CRITICAL_SECTION* lock);
    // Drops the hover and focus pointers when they lie in a subtree about to be deleted.
    void ForgetSubtree(MControl* root);
    void DrawInfoOverlay(Gdiplus::Graphics& graphics, int width);
    void DrawMessageStrip(HDC dc);
    int OnStripTimer(UINT id);
    void InvalidateStrip();
    int SetBackImage(Gdiplus::Image* image);
    void DrawBackground(Gdiplus::Graphics& graphics, CRect client);
    // Copies the background into a frame, drawing it first when the cache is out of date;
    // false when no cache could be made (the caller then draws the background itself).
    bool CopyBackground(HDC compatible, unsigned char* frameBits, int width, int height);
    void ReleaseBackCache();
    // Takes the collection's first family under name; deletes an empty collection.
    Gdiplus::FontFamily* KeepTempFont(const wchar_t* name, Gdiplus::PrivateFontCollection* collection);

    MWindow* m_pOwner;
    int m_bInit;
    HWND m_hWnd;
    HDC m_hDC;
    COLORREF m_crInnerBack;
    COLORREF m_crBorderBack;
    CRect m_rcCaption;
    int m_nMaxWidth, m_nMaxHeight;
    int m_nMinWidth, m_nMinHeight;
    int m_bLayered;
    Gdiplus::Image* m_pBkImage;
    int m_nBkWidth, m_nBkHeight;

    CString m_strMessage;
    MsgLevel m_msgLevel;
    int m_nMsgAlpha;
    int m_nShownPercent;
    int m_nTargetPercent;
    CString m_strMsgFont;
    CRect m_rcMessage;
    int m_bDrawInfo;

    int m_bWndDrag;
    UINT m_uScrollVID, m_uScrollHID;
    COLORREF m_crDefaultEnabled;
    MControl* m_pHoverControl;
    MControl* m_pFocusControl;

    MControlList m_areas;
    MControlList m_controls;
    CRITICAL_SECTION m_csAreas;
    CRITICAL_SECTION m_csControls;
    CRITICAL_SECTION m_csMTimerControls;
    CRITICAL_SECTION m_csImages;
    CRITICAL_SECTION m_csControlTimers;
    CRITICAL_SECTION m_csTempFonts;

    enumBackMode m_backMode;
    int m_nBackModeValue;

    // The background as last drawn: decoding and scaling an image on every frame would
    // cost more than the copy, and the result is the same until something changes it.
    HBITMAP m_hBackCache;
    unsigned char* m_pBackCacheBits;
    int m_nBackCacheWidth, m_nBackCacheHeight;
    int m_bBackCacheValid;

    std::map<CString, ImgResInfo*> m_fileImages;
    std::map<unsigned, ImgResInfo*> m_appImages;
    std::map<unsigned, ImgResInfo*> m_kovaImages;
    std::map<CString, Gdiplus::FontFamily*> m_tempFonts;
    std::vector<Gdiplus::PrivateFontCollection*> m_fontCollections;
    std::vector<HANDLE> m_memFonts;
};

} // namespace KOVA
