#include "PaintProbe.h"

#include <memory>
#include "ImportHook.h"

namespace {
PaintProbe* g_probe = nullptr;
std::unique_ptr<ImportHook> g_ulw, g_setTimer, g_killTimer, g_cursor, g_sleep;

BOOL WINAPI HookedUpdateLayeredWindow(HWND hwnd, HDC dst, POINT* pos, SIZE* size, HDC src, POINT* srcPos, COLORREF key,
                                      BLENDFUNCTION* blend, DWORD flags)
{
    PaintProbe& p = *g_probe;
    ++p.frameCount;
    if (p.keepFrames && src && size) {
        GdiFlush();
        DIBSECTION dib = {};
        HGDIOBJ bitmap = GetCurrentObject(src, OBJ_BITMAP);
        if (bitmap && GetObjectW(bitmap, sizeof(dib), &dib) == sizeof(dib) && dib.dsBm.bmBits &&
            dib.dsBm.bmBitsPixel == 32) {
            Frame f;
            f.hwnd = hwnd;
            f.width = dib.dsBm.bmWidth;
            f.height = dib.dsBm.bmHeight;
            f.pixels.resize(size_t(f.width) * f.height);
            auto* bits = static_cast<const std::uint32_t*>(dib.dsBm.bmBits);
            for (int y = 0; y < f.height; ++y) // bottom-up rows to top-down lines
                std::copy_n(bits + size_t(f.height - 1 - y) * f.width, f.width, f.pixels.data() + size_t(y) * f.width);
            p.frames.push_back(std::move(f));
        }
    }
    auto original = reinterpret_cast<decltype(&UpdateLayeredWindow)>(g_ulw->Original());
    return original(hwnd, dst, pos, size, src, srcPos, key, blend, flags);
}

UINT_PTR WINAPI HookedSetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    g_probe->timersSet.push_back({id, elapse});
    return reinterpret_cast<decltype(&SetTimer)>(g_setTimer->Original())(hwnd, id, elapse, proc);
}

BOOL WINAPI HookedKillTimer(HWND hwnd, UINT_PTR id)
{
    g_probe->timersKilled.push_back(id);
    return reinterpret_cast<decltype(&KillTimer)>(g_killTimer->Original())(hwnd, id);
}

BOOL WINAPI HookedGetCursorPos(POINT* pt)
{
    if (g_probe->fakeCursor && pt) {
        *pt = g_probe->cursor;
        return TRUE;
    }
    return reinterpret_cast<decltype(&GetCursorPos)>(g_cursor->Original())(pt);
}

void WINAPI HookedSleep(DWORD ms)
{
    if (ms == 15) {
        ++g_probe->pauses;
        if (g_probe->skipPause) return;
    }
    reinterpret_cast<decltype(&Sleep)>(g_sleep->Original())(ms);
}
} // namespace

PaintProbe::PaintProbe()
{
    HMODULE kova = GetModuleHandleW(L"kova.dll");
    g_ulw = std::make_unique<ImportHook>(kova, "user32.dll", "UpdateLayeredWindow",
                                         reinterpret_cast<void*>(HookedUpdateLayeredWindow));
    g_setTimer = std::make_unique<ImportHook>(kova, "user32.dll", "SetTimer", reinterpret_cast<void*>(HookedSetTimer));
    g_killTimer = std::make_unique<ImportHook>(kova, "user32.dll", "KillTimer", reinterpret_cast<void*>(HookedKillTimer));
    g_cursor = std::make_unique<ImportHook>(kova, "user32.dll", "GetCursorPos",
                                            reinterpret_cast<void*>(HookedGetCursorPos));
    g_sleep = std::make_unique<ImportHook>(kova, "kernel32.dll", "Sleep", reinterpret_cast<void*>(HookedSleep));
    hooked = g_ulw->Installed() && g_setTimer->Installed() && g_killTimer->Installed() && g_cursor->Installed() &&
             g_sleep->Installed();
}

PaintProbe& PaintProbe::Instance()
{
    static PaintProbe* probe = [] {
        g_probe = new PaintProbe; // lives until the process ends, like the hooks
        return g_probe;
    }();
    return *probe;
}

void PaintProbe::Clear()
{
    frames.clear();
    frameCount = 0;
    timersSet.clear();
    timersKilled.clear();
    pauses = 0;
}

int PaintProbe::Started(UINT_PTR id, UINT elapse) const
{
    int n = 0;
    for (const TimerCall& t : timersSet) n += (t.id == id && t.elapse == elapse);
    return n;
}

int PaintProbe::Stopped(UINT_PTR id) const
{
    int n = 0;
    for (UINT_PTR t : timersKilled) n += (t == id);
    return n;
}
