#pragma once
// Scope guards for the handles the framework takes inside one function: each releases
// what it holds on every path, so a paint or a load never leaks on an early return.
// Internal to the library; public headers do not include it.
#include <windows.h>
#include <gdiplus.h>
#include <objbase.h>

extern "C" IMAGE_DOS_HEADER __ImageBase; // provided by the linker for every module

namespace KOVA {

// Holds a critical section for the rest of the scope. Re-entrant like the section itself.
class ScopedCritSec {
public:
    explicit ScopedCritSec(CRITICAL_SECTION* cs) : m_cs(cs) { EnterCriticalSection(m_cs); }
    ~ScopedCritSec() { LeaveCriticalSection(m_cs); }
    ScopedCritSec(const ScopedCritSec&) = delete;
    ScopedCritSec& operator=(const ScopedCritSec&) = delete;

private:
    CRITICAL_SECTION* m_cs;
};

// A kernel handle closed at the end of the scope.
class AutoCloseHandle {
public:
    explicit AutoCloseHandle(HANDLE h = nullptr) : m_h(h) {}
    ~AutoCloseHandle()
    {
        if (m_h && m_h != INVALID_HANDLE_VALUE) CloseHandle(m_h);
    }
    AutoCloseHandle(const AutoCloseHandle&) = delete;
    AutoCloseHandle& operator=(const AutoCloseHandle&) = delete;
    bool IsValid() const { return m_h && m_h != INVALID_HANDLE_VALUE; }
    operator HANDLE() const { return m_h; }

private:
    HANDLE m_h;
};

// A GDI object (bitmap, brush, pen, font, region) deleted at the end of the scope unless
// handed on with Release().
template <class T>
class ScopedGdiObj {
public:
    explicit ScopedGdiObj(T obj = nullptr) : m_obj(obj) {}
    ~ScopedGdiObj()
    {
        if (m_obj) DeleteObject(m_obj);
    }
    ScopedGdiObj(const ScopedGdiObj&) = delete;
    ScopedGdiObj& operator=(const ScopedGdiObj&) = delete;
    operator T() const { return m_obj; }
    T Get() const { return m_obj; }
    T Release()
    {
        T obj = m_obj;
        m_obj = nullptr;
        return obj;
    }

private:
    T m_obj;
};
using ScopedBitmap = ScopedGdiObj<HBITMAP>;

// Selects an object into a DC and selects the previous one back at the end of the scope.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ obj) : m_dc(dc), m_prev(dc && obj ? SelectObject(dc, obj) : nullptr) {}
    ~ScopedSelectObject()
    {
        if (m_prev) SelectObject(m_dc, m_prev);
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_prev;
};

// GetDC for a window, ReleaseDC at the end of the scope.
class ScopedGetDC {
public:
    explicit ScopedGetDC(HWND hwnd) : m_hwnd(hwnd), m_dc(GetDC(hwnd)) {}
    ~ScopedGetDC()
    {
        if (m_dc) ReleaseDC(m_hwnd, m_dc);
    }
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// A memory DC deleted at the end of the scope.
class ScopedMemDC {
public:
    explicit ScopedMemDC(HDC compatibleWith) : m_dc(CreateCompatibleDC(compatibleWith)) {}
    ~ScopedMemDC()
    {
        if (m_dc) DeleteDC(m_dc);
    }
    ScopedMemDC(const ScopedMemDC&) = delete;
    ScopedMemDC& operator=(const ScopedMemDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};

// SaveDC / RestoreDC around a block of drawing.
class ScopedSaveDC {
public:
    explicit ScopedSaveDC(HDC dc) : m_dc(dc), m_state(dc ? SaveDC(dc) : 0) {}
    ~ScopedSaveDC()
    {
        if (m_state) RestoreDC(m_dc, m_state);
    }
    ScopedSaveDC(const ScopedSaveDC&) = delete;
    ScopedSaveDC& operator=(const ScopedSaveDC&) = delete;

private:
    HDC m_dc;
    int m_state;
};

// BeginPaint / EndPaint.
class ScopedPaint {
public:
    explicit ScopedPaint(HWND hwnd) : m_hwnd(hwnd), m_dc(BeginPaint(hwnd, &m_ps)) {}
    ~ScopedPaint() { EndPaint(m_hwnd, &m_ps); }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps;
    HDC m_dc;
};

// A COM interface released at the end of the scope.
template <class T>
class ScopedComPtr {
public:
    ScopedComPtr() = default;
    ~ScopedComPtr()
    {
        if (m_ptr) m_ptr->Release();
    }
    ScopedComPtr(const ScopedComPtr&) = delete;
    ScopedComPtr& operator=(const ScopedComPtr&) = delete;
    T** operator&() { return &m_ptr; }
    T* operator->() const { return m_ptr; }
    operator T*() const { return m_ptr; }

private:
    T* m_ptr = nullptr;
};

// GDI+ start-up for a scope (tools and tests; the program starts GDI+ itself).
class ScopedGdiPlus {
public:
    ScopedGdiPlus()
    {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
    }
    ~ScopedGdiPlus()
    {
        if (m_token) Gdiplus::GdiplusShutdown(m_token);
    }
    ScopedGdiPlus(const ScopedGdiPlus&) = delete;
    ScopedGdiPlus& operator=(const ScopedGdiPlus&) = delete;

private:
    ULONG_PTR m_token = 0;
};

// COM on this thread for a scope; uninitialises only what it initialised.
class ScopedCom {
public:
    ScopedCom() : m_ok(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ScopedCom()
    {
        if (m_ok) CoUninitialize();
    }
    ScopedCom(const ScopedCom&) = delete;
    ScopedCom& operator=(const ScopedCom&) = delete;

private:
    bool m_ok;
};

// The framework library's own module, for its built-in resources.
inline HINSTANCE FrameworkModule()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

} // namespace KOVA
