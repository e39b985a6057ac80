#pragma once
// One window of the operating system wrapped in an object: class registration, creation
// with a back-pointer, routing of every message to virtual handlers, a modal loop and
// null-safe wrappers of the usual window calls. The object never owns its window's
// lifetime nor the window the object's: whoever creates the object deletes it after the
// window is gone.
#include <windows.h>
#include "CString.h"
#include "Geometry.h"
#include "KovaApi.h"

namespace KOVA {

class KOVA_API MWindow {
public:
    MWindow();
    MWindow(const MWindow&) = delete;
    MWindow& operator=(const MWindow&) = delete;

    // The virtual interface, in this order; subclasses across the library boundary
    // (the program's dialogs) depend on it.
    virtual ~MWindow(); // leaves the window alone
    virtual const wchar_t* GetWindowClassName() const;
    virtual const wchar_t* GetSuperClassName() const;
    virtual int ShowWindow(int command);
    virtual LRESULT OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual int PreTranslateMessage(MSG* msg);
    virtual int OnInitDialog();
    virtual void OnDestroyMessage(HWND hwnd); // after the window's last message

    HWND Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, CRect rc, HMENU menu);
    HWND Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, CRect rc);
    HWND Create(HWND parent, CRect rc);
    HWND Create(HWND parent);
    int RegisterWindowClass();
    int RegisterSuperClass();

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // Runs until the window is gone; the result is the wParam of the WM_CLOSE it saw.
    UINT ShowModal(int command);

    HWND GetSafeHwnd() const;
    HWND GetParentHwnd() const;
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    int ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
    int ModifyExStyle(DWORD remove, DWORD add, UINT flags = 0);
    int GetClientRect(RECT* rc);
    int GetWindowRect(RECT* rc);
    void SetWindowTextW(const wchar_t* text);
    void GetWindowTextW(CString& text);
    int GetWindowTextLengthW();
    int EnableWindow(BOOL enable);
    int IsWindowEnabled();
    int IsWindowVisible();
    int IsIconic();
    void InvalidateRect(CRect rc, BOOL erase);
    HWND SetCapture();
    HWND SetFocus();
    int ReleaseCapture();
    UINT SetTimer(UINT id, UINT elapse, TIMERPROC proc = nullptr);
    int KillTimer(UINT id);
    int ClientToScreen(POINT* pt);
    int ScreenToClient(POINT* pt);
    int ClientToScreen(RECT* rc);
    int ScreenToClient(RECT* rc);
    int SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags);
    int MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    int MoveWindow(const RECT* rc, BOOL repaint = TRUE);
    int DestroyWindow();
    LRESULT SendMessageW(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessageW(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    void SetIcon(UINT resourceId);
    void CenterWindow(MWindow* reference = nullptr);
    void BringToTop();

protected:
    HWND m_hWndParent;
    HWND m_hWnd;
    WNDPROC m_OldWndProc;
    int m_nReserved;

private:
    bool IsSet() const;  // handle present (not null, not -1)
    bool IsLive() const; // handle present and a window
    static LRESULT Route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool property);
};

} // namespace KOVA
