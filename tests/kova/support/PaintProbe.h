#pragma once
// Watches what kova.dll hands to the system while it paints: every frame given to
// UpdateLayeredWindow (the pixels that reach a layered window), the window timers it
// starts and stops, the pause after each paint. It can also answer the pointer position
// the framework asks for, so tests do not move the shared display's real pointer.
#include <windows.h>
#include <cstdint>
#include <vector>

// A frame as it reached the window: top-down, 0xAARRGGBB per pixel (premultiplied).
struct Frame {
    HWND hwnd = nullptr;
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

inline int Alpha(std::uint32_t p) { return int(p >> 24); }
inline int Red(std::uint32_t p) { return int((p >> 16) & 0xFF); }
inline int Green(std::uint32_t p) { return int((p >> 8) & 0xFF); }
inline int Blue(std::uint32_t p) { return int(p & 0xFF); }

struct TimerCall {
    UINT_PTR id;
    UINT elapse;
};

class PaintProbe {
public:
    static PaintProbe& Instance(); // installs the hooks on first use
    bool hooked = false;           // every hook found its import
    void Clear();

    std::vector<Frame> frames;
    int frameCount = 0;
    bool keepFrames = true; // false: count frames without copying them

    std::vector<TimerCall> timersSet;
    std::vector<UINT_PTR> timersKilled;
    int pauses = 0;          // Sleep(15) after a paint
    bool skipPause = false;  // those sleeps return at once

    bool fakeCursor = false; // GetCursorPos answers cursor
    POINT cursor = {};

    // How many times id was started with elapse ms / stopped.
    int Started(UINT_PTR id, UINT elapse) const;
    int Stopped(UINT_PTR id) const;

private:
    PaintProbe();
};

// Dispatches this thread's messages until done() holds or ms pass; true when it held.
template <class Done>
bool PumpUntil(Done done, DWORD ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            if (done()) return true;
        }
        if (done()) return true;
        if (GetTickCount() - start > ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

inline void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}
