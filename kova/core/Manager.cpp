#include "Manager.h"

#include <shlwapi.h>
#include <map>
#include <objbase.h>
#include <ole2.h>
#include "SkinPath.h"

namespace KOVA {

HINSTANCE Manager::m_hInstance = nullptr;
ULONG_PTR Manager::m_gdiplusToken = 0;
Gdiplus::GdiplusStartupInput Manager::m_gdiplusStartupInput;
CString Manager::m_fontname(L"Arial");
int Manager::m_fontwidth = 14;
float Manager::m_scale_value = 1.0f;
Gdiplus::ARGB Manager::m_select_color = 0xFFBD30FF;
std::atomic<float> Manager::m_cpu_temp{0.0f};

namespace {
// Nothing in the framework reads the registry; it records which windows were announced.
std::map<MWindow*, int>& WindowRegistry()
{
    static std::map<MWindow*, int> registry;
    return registry;
}
} // namespace

void Manager::SetInstance(HINSTANCE instance) { m_hInstance = instance; }
HINSTANCE Manager::GetInstance() { return m_hInstance; }

void Manager::InitGdiplus()
{
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &m_gdiplusStartupInput, nullptr);
    CoInitialize(nullptr);
    OleInitialize(nullptr);
    WindowRegistry().clear();
}

void Manager::UnInitGdiplus()
{
    Gdiplus::GdiplusShutdown(m_gdiplusToken);
    CoUninitialize();
    OleUninitialize();
    WindowRegistry().clear();
}

void Manager::SetFont(CString name, int width)
{
    m_fontname = name;
    m_fontwidth = width;
}
void Manager::SetFontName(CString name) { m_fontname = name; }
void Manager::SetFontWidth(int width) { m_fontwidth = width; }
CString Manager::GetFontName() { return m_fontname; }
int Manager::GetFontWidth() { return m_fontwidth; }

void Manager::SetScaleValue(float scale) { m_scale_value = scale; }
float Manager::GetScaleValue() { return m_scale_value; }
int Manager::GetScaleValue(int value) { return int(float(value) * m_scale_value); }

Gdiplus::Color Manager::GetSelectColor() { return Gdiplus::Color(m_select_color); }

void Manager::SetCPUTemp(float temperature) { m_cpu_temp.store(temperature, std::memory_order_relaxed); }
float Manager::GetCPUTemp() { return m_cpu_temp.load(std::memory_order_relaxed); }

void Manager::AddWnd(MWindow* window) { WindowRegistry()[window] = 0; }
void Manager::DeleteWnd(MWindow* window) { WindowRegistry().erase(window); }

int Manager::PreTranslateMessage(MSG*)
{
    return GetAsyncKeyState(VK_MENU) && GetAsyncKeyState(VK_F4) ? 1 : 0;
}

void Manager::MessageLoop()
{
    MSG msg = {};
    // GetMessageW's -1 (an invalid window filter, impossible with NULL) counts as a message.
    while (GetMessageW(&msg, nullptr, 0, 0) != 0) {
        // Alt+F4 would close the framework's borderless windows; drop whatever arrives
        // while both keys are down.
        if (GetAsyncKeyState(VK_MENU) && GetAsyncKeyState(VK_F4)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

CString Manager::GetTheme() { return CString(L"theme1\\"); }

void M_Trace(const wchar_t*) {}

CString GetSkinPath()
{
    wchar_t path[MAX_PATH] = {};
    // The host executable, not this library: skins live beside the program.
    GetModuleFileNameW(GetModuleHandleW(nullptr), path, MAX_PATH);
    PathRemoveFileSpecW(path);
    PathAddBackslashW(path);
    CString result(path);
    result += L"skins\\";
    result += Manager::GetTheme();
    return result;
}

} // namespace KOVA
