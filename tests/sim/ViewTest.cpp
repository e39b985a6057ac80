// The simulator's view: the read-out drawn segment by segment, and the window of
// "displaysim view" following the state as the host writes frames.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "../support/Processes.h"
#include "SimTestSupport.h"
#include "ViewPaint.h"

namespace {

// A 32-bit top-down bitmap to paint into and read back.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    RECT Area() const { return {0, 0, width_, height_}; }
    COLORREF Pixel(POINT p) const
    {
        GdiFlush();
        DWORD bgra = bits_[p.y * width_ + p.x];
        return RGB(bgra >> 16 & 0xFF, bgra >> 8 & 0xFF, bgra & 0xFF);
    }
    std::uint32_t* Bits() const { return bits_; }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    std::uint32_t* bits_ = nullptr;
};

// Which segments of each position are lit, as letters "a".."g" per position, read
// from the pixels at the segments' middles.
std::vector<std::string> LitSegments(const std::function<COLORREF(POINT)>& pixel, const RECT& area, std::size_t rows,
                                     std::size_t row)
{
    std::vector<std::string> shown(3);
    for (int position = 0; position < 3; ++position)
        for (int segment = 0; segment < 7; ++segment) {
            COLORREF colour = pixel(sim::SegmentCentre(area, rows, row, position, segment));
            if (colour == sim::kSegmentLit)
                shown[position] += char('a' + segment);
            else if (colour != sim::kSegmentDark)
                shown[position] += '?'; // neither: the layout and the drawing disagree
        }
    return shown;
}

using Shown = std::vector<std::string>;

} // namespace

TEST(SimView, PaintsEachDisplaysDigitsAsSegments)
{
    Canvas canvas(480, 600);
    sim::ViewDisplay hot, warm, waiting;
    hot.index = 0;
    hot.digits = std::array<std::uint8_t, 3>{1, 0, 7};
    warm.index = 3;
    warm.digits = std::array<std::uint8_t, 3>{0, 4, 2};
    waiting.index = 5;
    sim::PaintView(canvas.Dc(), canvas.Area(), {hot, warm, waiting});
    auto pixel = [&](POINT p) { return canvas.Pixel(p); };
    EXPECT_EQ(LitSegments(pixel, canvas.Area(), 3, 0), (Shown{"bc", "abcdef", "abc"}));
    EXPECT_EQ(LitSegments(pixel, canvas.Area(), 3, 1), (Shown{"", "bcfg", "abdeg"}));
    EXPECT_EQ(LitSegments(pixel, canvas.Area(), 3, 2), (Shown{"", "", ""}));
    // Between the digits there is only background.
    POINT between = sim::SegmentCentre(canvas.Area(), 3, 0, 0, 1);
    between.x = (between.x + sim::SegmentCentre(canvas.Area(), 3, 0, 1, 5).x) / 2;
    EXPECT_EQ(canvas.Pixel(between), sim::kViewBackground);
}

TEST(SimView, EmptyStateSaysNoDisplay)
{
    Canvas canvas(300, 200);
    sim::PaintView(canvas.Dc(), canvas.Area(), {});
    // Only background and the text's own pixels; no segment anywhere.
    int text = 0, segments = 0;
    for (int i = 0; i < 300 * 200; ++i) {
        COLORREF colour = RGB(canvas.Bits()[i] >> 16 & 0xFF, canvas.Bits()[i] >> 8 & 0xFF, canvas.Bits()[i] & 0xFF);
        if (colour == sim::kSegmentLit || colour == sim::kSegmentDark)
            ++segments;
        else if (colour != sim::kViewBackground)
            ++text;
    }
    EXPECT_EQ(segments, 0);
    EXPECT_GT(text, 50);
}

namespace {

HWND FindViewWindow(DWORD pid)
{
    struct Search {
        DWORD pid;
        HWND found;
    } search = {pid, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t title[64] = {};
            GetWindowTextW(window, title, 64);
            if (owner == s->pid && std::wstring(title) == L"Display simulator") s->found = window;
            return !s->found;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// What the screen shows of the window's client area, read as a user's screenshot would.
std::vector<Shown> ScreenReadouts(HWND window, std::size_t rows)
{
    // Kept on top: other tests' windows may come and go on the same display.
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    Canvas canvas(client.right, client.bottom);
    HDC screen = GetDC(nullptr);
    BitBlt(canvas.Dc(), 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    auto pixel = [&](POINT p) { return canvas.Pixel(p); };
    std::vector<Shown> shown;
    for (std::size_t row = 0; row < rows; ++row) shown.push_back(LitSegments(pixel, client, rows, row));
    return shown;
}

// Waits for the screen to show what is expected; returns what it showed last.
std::vector<Shown> WaitForReadouts(HWND window, const std::vector<Shown>& expected)
{
    std::vector<Shown> seen;
    WaitFor([&] { return (seen = ScreenReadouts(window, expected.size())) == expected; }, 10000);
    return seen;
}

} // namespace

TEST(SimView, WindowFollowsTheFramesTheHostSends)
{
    ScopedStateFolder state;
    ASSERT_EQ(Plug(), 0);
    ASSERT_EQ(Plug(L"--usage-page 0x0001 --usage 6"), 1); // not a display: not shown
    ASSERT_EQ(Plug(), 2);

    ChildProcess view = StartProcess(DisplaySimExe(), L"view");
    ASSERT_TRUE(view.Running());
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindViewWindow(view.pid)) != nullptr; }, 15000));
    SetWindowPos(window, HWND_TOPMOST, 700, 80, 480, 560, SWP_SHOWWINDOW);

    hid_device* display =
        Hid().hid_open_path("\\\\?\\HID#VID_1A2C&PID_4284&MI_00#sim&0#{4d1e55b2-f16f-11cf-88cb-001111000030}");
    ASSERT_NE(display, nullptr);
    unsigned char frame[65] = {0x07, 0xFF, 0xFF, 1, 0, 7};
    ASSERT_EQ(Hid().hid_send_feature_report(display, frame, 65), 65);
    EXPECT_EQ(WaitForReadouts(window, {{"bc", "abcdef", "abc"}, {"", "", ""}}),
              (std::vector<Shown>{{"bc", "abcdef", "abc"}, {"", "", ""}}));

    // The newest temperature frame counts; a version query after it changes nothing.
    frame[3] = 0;
    frame[4] = 4;
    frame[5] = 2;
    ASSERT_EQ(Hid().hid_send_feature_report(display, frame, 65), 65);
    unsigned char query[64] = {0x07, 0xFD};
    ASSERT_EQ(Hid().hid_send_feature_report(display, query, 64), 64);
    EXPECT_EQ(WaitForReadouts(window, {{"", "bcfg", "abdeg"}, {"", "", ""}}),
              (std::vector<Shown>{{"", "bcfg", "abdeg"}, {"", "", ""}}));
    Hid().hid_close(display);

    // An unplugged display leaves the view; the other one takes the whole window.
    ASSERT_EQ(RunSim(L"unplug 2").exitCode, 0u);
    EXPECT_EQ(WaitForReadouts(window, {{"", "bcfg", "abdeg"}}), (std::vector<Shown>{{"", "bcfg", "abdeg"}}));

    EXPECT_TRUE(view.Running());
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(view.WaitExit(10000), 0u);
}
