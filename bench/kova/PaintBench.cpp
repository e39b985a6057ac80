// One panel-sized layered paint (340 x 250: background image, one picture control, the
// temperature read-out), measured through the real WM_PAINT path of kova.dll without the
// 15 ms pause that follows every paint. Prints the median time per frame, the GDI+ calls
// per frame, where the time goes, and side-by-side references measured in the same run:
// the same window without the read-out, without the background image, and a bare
// UpdateLayeredWindow of a ready frame (the floor of any layered paint).
#include <windows.h>
#include <gdiplus.h>
#include <ole2.h>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <numeric>
#include <string>
#include <vector>
#include "core/Manager.h"
#include "support/ImportHook.h"
#include "support/TestHost.h"
#include "support/TestImages.h"

using namespace KOVA;

namespace {
const int kWidth = 340, kHeight = 250;
const int kRounds = 7, kFramesPerRound = 40;

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

double Median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// --- GDI+ calls made by kova.dll: a counting thunk in front of every gdiplus import.
struct CallCounter {
    std::vector<unsigned long long> counts;
    std::vector<std::string> names;
    unsigned char* code = nullptr;

    void Install(HMODULE module)
    {
        std::vector<std::pair<std::string, void**>> slots;
        ForEachImport(module, "gdiplus.dll", [&](const char* name, void** slot) { slots.push_back({name, slot}); });
        counts.assign(slots.size(), 0);
        const size_t stub = 32;
        code = static_cast<unsigned char*>(
            VirtualAlloc(nullptr, slots.size() * stub, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE));
        for (size_t i = 0; i < slots.size(); ++i) {
            unsigned char* p = code + i * stub;
            const unsigned long long counter = reinterpret_cast<unsigned long long>(&counts[i]);
            const unsigned long long target = reinterpret_cast<unsigned long long>(*slots[i].second);
            // mov rax, counter; lock inc qword [rax]; mov rax, target; jmp rax
            // (rax is free at a call: the arguments travel in rcx, rdx, r8, r9 and the stack)
            const unsigned char head[] = {0x48, 0xB8};
            memcpy(p, head, 2);
            memcpy(p + 2, &counter, 8);
            const unsigned char inc[] = {0xF0, 0x48, 0xFF, 0x00, 0x48, 0xB8};
            memcpy(p + 10, inc, 6);
            memcpy(p + 16, &target, 8);
            const unsigned char jump[] = {0xFF, 0xE0};
            memcpy(p + 24, jump, 2);
            names.push_back(slots[i].first);
            WriteImportSlot(slots[i].second, p);
        }
        FlushInstructionCache(GetCurrentProcess(), code, slots.size() * stub);
    }
    unsigned long long Total() const
    {
        unsigned long long n = 0;
        for (unsigned long long c : counts) n += c;
        return n;
    }
    void Reset() { std::fill(counts.begin(), counts.end(), 0); }
};
CallCounter g_gdiplus;

// --- Time spent inside chosen imports of kova.dll (wrapped after the counting thunks).
struct Clock {
    double total = 0;
};
std::map<std::string, Clock> g_clocks;
std::vector<std::unique_ptr<ImportHook>> g_hooks;

template <int N, class R, class... A>
struct TimedImport {
    static inline void* original = nullptr;
    static inline const char* name = nullptr;
    static R Call(A... a)
    {
        const double start = Now();
        struct Stop {
            double start;
            ~Stop() { g_clocks[name].total += Now() - start; }
        } stop{start};
        return reinterpret_cast<R (*)(A...)>(original)(a...);
    }
};

template <int N, class R, class... A>
void TimeImport(HMODULE module, const char* dll, const char* function, R (*)(A...))
{
    using T = TimedImport<N, R, A...>;
    T::name = function;
    g_hooks.push_back(std::make_unique<ImportHook>(module, dll, function, reinterpret_cast<void*>(&T::Call)));
    T::original = g_hooks.back()->Original();
    if (!g_hooks.back()->Installed()) fprintf(stderr, "warning: kova.dll does not import %s\n", function);
}

void (*g_realSleep)(DWORD) = nullptr;
void NoPause(DWORD ms)
{
    if (ms != 15) g_realSleep(ms);
}

// The panel's close glyph: an image drawn once into the control's cache, then copied.
class Picture : public MControl {
public:
    Picture(MObject* parent, CRect rc, const wchar_t* file) : MControl(parent, 31, rc, 1, 1, 1), m_file(file) {}
    void DrawControl(HDC& dc, CRect) override
    {
        const int w = m_rect.Width(), h = m_rect.Height();
        if (!m_bUpdate) {
            UpdateMemDC(dc, w, h);
            BitBlt(m_hCacheDC, 0, 0, w, h, dc, m_rect.left, m_rect.top, SRCCOPY);
            if (ImgResInfo* info = m_pManager->AddImgResInfo(m_file.c_str(), 1)) {
                Gdiplus::Graphics g(m_hCacheDC);
                g.DrawImage(info->image, 0, 0, w, h);
            }
        }
        BitBlt(dc, m_rect.left, m_rect.top, w, h, m_hCacheDC, 0, 0, SRCCOPY);
    }

private:
    std::wstring m_file;
};

struct Variant {
    const char* name;
    bool background, readout;
};

double FrameMs(HostWindow& w)
{
    const double start = Now();
    InvalidateRect(w.GetSafeHwnd(), nullptr, TRUE);
    UpdateWindow(w.GetSafeHwnd());
    return Now() - start;
}

// The floor: a ready 340 x 250 ARGB frame handed to UpdateLayeredWindow.
struct BarePush {
    HWND hwnd;
    HDC screen, memory;
    HBITMAP bitmap;
    HGDIOBJ old;
    BarePush()
    {
        hwnd = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 600, 100, kWidth, kHeight,
                               nullptr, nullptr, nullptr, nullptr);
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        screen = GetDC(hwnd);
        memory = CreateCompatibleDC(screen);
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        std::fill_n(static_cast<DWORD*>(bits), kWidth * kHeight, 0xFE040404);
        old = SelectObject(memory, bitmap);
    }
    ~BarePush()
    {
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(hwnd, screen);
        DestroyWindow(hwnd);
    }
    double FrameMs()
    {
        const double start = Now();
        SIZE size = {kWidth, kHeight};
        POINT origin = {0, 0};
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        UpdateLayeredWindow(hwnd, screen, nullptr, &size, memory, &origin, 0, &blend, ULW_ALPHA);
        return Now() - start;
    }
};
} // namespace

int main()
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    OleInitialize(nullptr);
    {
        const std::wstring skins = SkinFolder();
        WritePng(skins + L"bench-background.png", kWidth, kHeight, [](int x, int y) {
            return 0xFF000000u | ((x * 255 / kWidth) << 16) | ((y * 255 / kHeight) << 8) | 0x40;
        });
        WritePng(skins + L"bench-close.png", 18, 17, [](int x, int y) {
            return (x == y || x == 17 - y) ? 0xFFE0E0E0u : 0x00000000u;
        });

        HMODULE kova = GetModuleHandleW(L"kova.dll");
        g_gdiplus.Install(kova);
        using namespace Gdiplus::DllExports;
        TimeImport<0>(kova, "user32.dll", "UpdateLayeredWindow", &::UpdateLayeredWindow);
        TimeImport<1>(kova, "gdiplus.dll", "GdipDrawImageRectI", &GdipDrawImageRectI);
        TimeImport<2>(kova, "gdiplus.dll", "GdipDrawString", &GdipDrawString);
        TimeImport<3>(kova, "gdiplus.dll", "GdipFillRectangleI", &GdipFillRectangleI);
        TimeImport<4>(kova, "gdiplus.dll", "GdipCreateFromHDC", &GdipCreateFromHDC);
        TimeImport<5>(kova, "gdiplus.dll", "GdipDeleteGraphics", &GdipDeleteGraphics);
        TimeImport<6>(kova, "user32.dll", "BeginPaint", &::BeginPaint);
        TimeImport<7>(kova, "user32.dll", "EndPaint", &::EndPaint);
        TimeImport<8>(kova, "user32.dll", "GetDC", &::GetDC);
        TimeImport<9>(kova, "user32.dll", "ReleaseDC", &::ReleaseDC);
        TimeImport<10>(kova, "user32.dll", "SetWindowLongW", &::SetWindowLongW);
        TimeImport<11>(kova, "gdi32.dll", "CreateDIBSection", &::CreateDIBSection);
        TimeImport<12>(kova, "gdi32.dll", "CreateCompatibleDC", &::CreateCompatibleDC);
        TimeImport<13>(kova, "gdi32.dll", "DeleteObject", &::DeleteObject);
        TimeImport<14>(kova, "gdi32.dll", "DeleteDC", &::DeleteDC);
        TimeImport<15>(kova, "gdi32.dll", "BitBlt", &::BitBlt);
        TimeImport<16>(kova, "gdi32.dll", "GdiFlush", &::GdiFlush);
        TimeImport<17>(kova, "user32.dll", "GetUpdateRect", &::GetUpdateRect);
        TimeImport<18>(kova, "gdi32.dll", "SaveDC", &::SaveDC);
        TimeImport<19>(kova, "gdi32.dll", "RestoreDC", &::RestoreDC);
        TimeImport<20>(kova, "gdiplus.dll", "GdipDrawRectangleI", &GdipDrawRectangleI);
        TimeImport<21>(kova, "user32.dll", "GetCursorPos", &::GetCursorPos);
        {
            auto hook = std::make_unique<ImportHook>(kova, "kernel32.dll", "Sleep", reinterpret_cast<void*>(&NoPause));
            g_realSleep = reinterpret_cast<void (*)(DWORD)>(hook->Original());
            g_hooks.push_back(std::move(hook));
        }

        const Variant variants[] = {
            {"panel frame (background, picture, read-out)", true, true},
            {"  without the read-out", true, false},
            {"  without the background image", false, true},
        };
        const size_t count = sizeof(variants) / sizeof(variants[0]);
        std::vector<std::unique_ptr<HostWindow>> windows;
        for (size_t i = 0; i < count; ++i) {
            auto w = std::make_unique<HostWindow>();
            if (variants[i].background) w->host.LoadBKImage(CString(L"bench-background.png"));
            w->host.EnableDrawInfo(variants[i].readout);
            w->Open(40 + int(i) * 20, 100 + int(i) * 20, kWidth, kHeight, true);
            w->host.InsertControl(0, new Picture(w.get(), CRect(275, 10, 293, 27), L"bench-close.png"));
            windows.push_back(std::move(w));
        }
        BarePush bare;
        Manager::SetCPUTemp(45.0f);

        for (auto& w : windows) // warm-up: caches, fonts, the first layered update
            for (int i = 0; i < 10; ++i) FrameMs(*w);

        std::vector<std::vector<double>> times(count + 1);
        unsigned long long fullCalls = 0;
        int fullFrames = 0;
        g_clocks.clear();
        for (int round = 0; round < kRounds; ++round) {
            for (size_t i = 0; i < count; ++i) {
                if (i == 0) g_gdiplus.Reset();
                std::map<std::string, Clock> before = g_clocks;
                for (int f = 0; f < kFramesPerRound; ++f) times[i].push_back(FrameMs(*windows[i]));
                if (i == 0) {
                    fullCalls += g_gdiplus.Total();
                    fullFrames += kFramesPerRound;
                } else {
                    g_clocks = before; // the breakdown is of the full frame only
                }
            }
            for (int f = 0; f < kFramesPerRound; ++f) times[count].push_back(bare.FrameMs());
        }

        const double full = Median(times[0]);
        const double floor = Median(times[count]);
        printf("KOVA layered paint, %d x %d, %d rounds x %d frames, 15 ms pause excluded\n", kWidth, kHeight, kRounds,
               kFramesPerRound);
        for (size_t i = 0; i < count; ++i)
            printf("  %-48s median %7.3f ms/frame  (x%.2f of the full frame)\n", variants[i].name, Median(times[i]),
                   Median(times[i]) / full);
        printf("  %-48s median %7.3f ms/frame  (full frame = x%.1f of it)\n", "bare UpdateLayeredWindow of a ready frame",
               floor, full / floor);
        printf("GDI+ calls per full frame: %.1f\n", double(fullCalls) / fullFrames);
        std::vector<std::pair<unsigned long long, std::string>> top;
        g_gdiplus.Reset();
        FrameMs(*windows[0]);
        for (size_t i = 0; i < g_gdiplus.counts.size(); ++i)
            if (g_gdiplus.counts[i]) top.push_back({g_gdiplus.counts[i], g_gdiplus.names[i]});
        std::sort(top.rbegin(), top.rend());
        printf("  in one frame:");
        for (auto& [n, name] : top) printf(" %s x%llu", name.c_str(), n);
        const double mean = std::accumulate(times[0].begin(), times[0].end(), 0.0) / double(times[0].size());
        printf("\nTime per full frame spent in (mean frame %.3f ms over %d frames):\n", mean, fullFrames);
        std::vector<std::pair<double, std::string>> spent;
        for (auto& [name, clock] : g_clocks) spent.push_back({clock.total, name});
        std::sort(spent.rbegin(), spent.rend());
        for (auto& [total, name] : spent)
            printf("  %-36s %7.3f ms  (%4.1f%%)\n", name.c_str(), total / fullFrames,
                   100.0 * total / fullFrames / mean);
    }
    OleUninitialize();
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
