#pragma once
// Process-wide state of the framework: module instance, GDI+ start-up, default font,
// scale, selection colour, the temperature handed in by the host program, the window
// registry and a plain message loop. Only static members; never instantiated.
#include <windows.h>
#include <gdiplus.h>
#include <atomic>
#include "CString.h"
#include "KovaApi.h"

namespace KOVA {

class MWindow;

class KOVA_API Manager {
public:
    Manager& operator=(const Manager&) { return *this; }
    Manager& operator=(Manager&&) { return *this; }

    static void SetInstance(HINSTANCE instance);
    static HINSTANCE GetInstance();

    // GDI+, COM and OLE start-up and shutdown for hosts that do not do it themselves.
    static void InitGdiplus();
    static void UnInitGdiplus();

    static void SetFont(CString name, int width);
    static void SetFontName(CString name);
    static void SetFontWidth(int width);
    static CString GetFontName();
    static int GetFontWidth();

    static void SetScaleValue(float scale);
    static float GetScaleValue();
    static int GetScaleValue(int value);

    static Gdiplus::Color GetSelectColor();

    // Written by the host's worker thread, read by painting on the UI thread.
    static void SetCPUTemp(float temperature);
    static float GetCPUTemp();

    static void AddWnd(MWindow* window);
    static void DeleteWnd(MWindow* window);

    static int PreTranslateMessage(MSG* msg);
    static void MessageLoop();

    static CString GetTheme();

    static HINSTANCE m_hInstance;
    static ULONG_PTR m_gdiplusToken;
    static Gdiplus::GdiplusStartupInput m_gdiplusStartupInput;
    static CString m_fontname;
    static int m_fontwidth;
    static float m_scale_value;
    static Gdiplus::ARGB m_select_color;
    static std::atomic<float> m_cpu_temp;
};

// Diagnostic trace entry point; deliberately does nothing in release builds.
KOVA_API void M_Trace(const wchar_t* text);

} // namespace KOVA
