#include "SimView.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "SimStore.h"
#include "ViewPaint.h"

namespace sim {

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 250;
// Enough of a frame log's end to hold its newest temperature frame.
constexpr std::size_t kRecentLogBytes = 4096;
constexpr std::uint16_t kDisplayUsagePage = 0xFF01;
constexpr std::uint16_t kDisplayUsage = 1;
constexpr int kClientWidth = 440;
constexpr int kRowHeight = 190;
constexpr int kMaxClientHeight = 760;

struct ViewState {
    std::unique_ptr<SimStore> store;
    std::vector<ViewDisplay> shown;
};

std::optional<std::array<std::uint8_t, 3>> NewestTemperature(const std::string& log)
{
    std::vector<std::string_view> lines = SplitLines(log);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        std::optional<FrameLine> frame = ParseFrameLine(*line);
        // A temperature frame: 07 FF FF, then the three digits; version queries are skipped.
        if (frame && frame->bytes.size() >= 6 && frame->bytes[0] == 0x07 && frame->bytes[1] == 0xFF &&
            frame->bytes[2] == 0xFF)
            return std::array<std::uint8_t, 3>{frame->bytes[3], frame->bytes[4], frame->bytes[5]};
    }
    return std::nullopt;
}

std::vector<ViewDisplay> LoadDisplays(SimStore& store)
{
    std::vector<ViewDisplay> displays;
    std::vector<SimInterface> interfaces;
    if (!store.Interfaces(interfaces)) return displays;
    for (const SimInterface& info : interfaces) {
        if (!info.plugged || info.usagePage != kDisplayUsagePage || info.usage != kDisplayUsage) continue;
        ViewDisplay display;
        display.index = info.index;
        display.firmware = info.firmware;
        std::string recent;
        if (store.RecentFrames(info.index, kRecentLogBytes, recent)) display.digits = NewestTemperature(recent);
        displays.push_back(display);
    }
    return displays;
}

void Paint(HWND window, const ViewState& state)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    // Drawn off-screen first so a refresh does not flicker.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    PaintView(memory, client, state.shown);
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EndPaint(window, &paint);
}

LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<ViewState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_CREATE:
        state = static_cast<ViewState*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        state->shown = LoadDisplays(*state->store);
        SetTimer(window, kRefreshTimer, kRefreshMs, nullptr);
        return 0;
    case WM_TIMER:
        if (wParam == kRefreshTimer && state) {
            std::vector<ViewDisplay> now = LoadDisplays(*state->store);
            if (now != state->shown) {
                state->shown = std::move(now);
                InvalidateRect(window, nullptr, FALSE);
            }
        }
        return 0;
    case WM_SIZE: InvalidateRect(window, nullptr, FALSE); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
        if (state) {
            Paint(window, *state);
            return 0;
        }
        break;
    case WM_DESTROY:
        KillTimer(window, kRefreshTimer);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int RunView(const std::wstring& folder)
{
    ViewState state;
    state.store = std::make_unique<SimStore>(folder);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = ViewProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.lpszClassName = L"TovrinDisplaySimView";
    if (!RegisterClassExW(&windowClass)) return 1;
    // Room for the displays plugged now; more later share it until the user resizes.
    int rows = std::max<int>(1, static_cast<int>(LoadDisplays(*state.store).size()));
    RECT frame = {0, 0, kClientWidth, std::min(kRowHeight * rows, kMaxClientHeight)};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Display simulator", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                  nullptr, nullptr, instance, &state);
    if (!window) return 1;
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

} // namespace sim
