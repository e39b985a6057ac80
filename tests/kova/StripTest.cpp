#include <gtest/gtest.h>

#include <windows.h>
#include <cstdlib>
#include <vector>
#include "host/PaintManager.h"
#include "paint/MessageStrip.h"
#include "support/PaintProbe.h"
#include "support/TestHost.h"

using namespace KOVA;

namespace {
const UINT kHold = 66, kFade = 88, kWalk = 99;

// The strip's alpha as the user sees it, from its 0xE6E6E6 edge over the near-black body
// (both premultiplied): 0 when the pixel shows the body.
int StripAlpha(const Frame& f, int x, int y)
{
    const int body = 5, r = Red(f.At(x, y));
    if (r <= body + 1) return 0;
    return (r - body) * 255 / (230 - body);
}

// Length of the progress bar on its first row.
int BarLength(const Frame& f, int left, int row)
{
    int n = 0;
    for (int x = left; x < f.width; ++x) {
        std::uint32_t p = f.At(x, row);
        if (Red(p) >= 250 && Green(p) >= 215 && Green(p) <= 230 && Blue(p) <= 10) ++n;
        else if (n) break;
    }
    return n;
}

// Distinct consecutive values (a value painted twice counts once).
std::vector<int> Steps(const std::vector<int>& values)
{
    std::vector<int> out;
    for (int v : values)
        if (out.empty() || out.back() != v) out.push_back(v);
    return out;
}

class Strip : public ::testing::Test {
protected:
    void SetUp() override
    {
        probe.Clear();
        probe.skipPause = false;
    }
    PaintProbe& probe = PaintProbe::Instance();
};
} // namespace

TEST_F(Strip, DefaultRectangleIsAtTheBottomCentre)
{
    EXPECT_EQ(MessageStripRect(CRect(0, 0, 380, 200), 0), CRect(90, 140, 290, 198));
    EXPECT_EQ(MessageStripRect(CRect(0, 0, 380, 200), 7), CRect(90, 147, 290, 205));
    EXPECT_EQ(MessageStripRect(CRect(0, 0, 341, 250), 0), CRect(70, 190, 270, 248));

    HostWindow w;
    ASSERT_NE(w.Open(100, 100, 380, 200, true), nullptr);
    CRect client;
    w.host.GetClientRect(client);
    w.host.SetMessage(L"Saved", MessageStripRect(client, 0), MSG_LEVEL_INFO);
    EXPECT_EQ(probe.Started(kHold, 3000), 1);
    const Frame* frame = PaintNow(w);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->At(90, 140), 0xFFE6E6E6u) << "the strip's edge at its top-left corner";
    EXPECT_EQ(frame->At(289, 197), 0xFFE6E6E6u);
    EXPECT_EQ(frame->At(92, 142), 0xFFFEFEFEu) << "its body inside the 2-pixel edge";
    for (auto [x, y] : {std::pair<int, int>{89, 140}, {90, 139}, {290, 197}, {289, 198}})
        EXPECT_EQ(Alpha(frame->At(x, y)), 254) << x << ", " << y << " is outside the strip";
    int textPixels = 0;
    for (int y = 145; y < 195; ++y)
        for (int x = 95; x < 285; ++x) textPixels += Red(frame->At(x, y)) < 200;
    EXPECT_GT(textPixels, 10) << "the message text is drawn";
}

TEST_F(Strip, MessageHoldsThenFadesInTwentyFourSteps)
{
    HostWindow w;
    ASSERT_NE(w.Open(100, 100, 380, 200, true), nullptr);
    PumpFor(50);
    probe.Clear();
    const CRect rc(90, 140, 290, 198);
    w.host.SetMessage(L"Hello", rc, MSG_LEVEL_INFO);
    EXPECT_EQ(probe.Stopped(kFade), 1) << "SetMessage stops a fade that may be running";
    ASSERT_TRUE(PumpUntil([&] { return probe.Stopped(kFade) > 1; }, 10000)) << "the fade ended";
    PumpFor(100);

    std::vector<int> alphas;
    for (const Frame& f : probe.frames) alphas.push_back(StripAlpha(f, rc.left, rc.top));
    std::vector<int> steps = Steps(alphas);
    ASSERT_GE(steps.size(), 3u);
    EXPECT_EQ(steps.front(), 255) << "opaque while held";
    EXPECT_EQ(steps.back(), 0) << "hidden at the end";
    std::vector<int> fading(steps.begin() + 1, steps.end() - 1);
    ASSERT_EQ(fading.size(), 23u) << "245, 235, ... 25 between opaque and hidden";
    for (size_t i = 0; i < fading.size(); ++i)
        EXPECT_LE(std::abs(fading[i] - (245 - 10 * int(i))), 3) << "step " << i << " shows " << fading[i];

    EXPECT_EQ(probe.Started(kHold, 3000), 1);
    EXPECT_EQ(probe.Started(kFade, 50), 1);
    EXPECT_EQ(probe.Stopped(kHold), 2) << "stopped by SetMessage, then when the hold ended";
}

TEST_F(Strip, NewMessageDuringTheFadeIsOpaqueAgain)
{
    HostWindow w;
    ASSERT_NE(w.Open(100, 100, 380, 200, true), nullptr);
    const CRect rc(90, 140, 290, 198);
    w.host.SetMessage(L"first", rc, MSG_LEVEL_INFO);
    // End the hold now instead of waiting 3 s.
    SendMessageW(w.GetSafeHwnd(), WM_TIMER, kHold, 0);
    EXPECT_EQ(probe.Started(kFade, 50), 1);
    ASSERT_TRUE(PumpUntil([&] { return !probe.frames.empty() && StripAlpha(probe.frames.back(), rc.left, rc.top) < 200; },
                          5000))
        << "the strip fades";

    probe.Clear();
    w.host.SetMessage(L"second", rc, MSG_LEVEL_WARNING);
    EXPECT_GE(probe.Stopped(kFade), 1) << "the fade stops";
    EXPECT_EQ(probe.Started(kHold, 3000), 1) << "the hold starts again";
    const Frame* frame = PaintNow(w);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(StripAlpha(*frame, rc.left, rc.top), 255);
}

TEST_F(Strip, ProgressWithinFiveJumpsAndReachingHundredFades)
{
    HostWindow w;
    ASSERT_NE(w.Open(100, 100, 340, 250, true), nullptr);
    const int barRow = 248 - 16, barLeft = 10;
    for (int percent = 2; percent <= 97; percent += 5) {
        probe.Clear();
        w.host.SetProgress(percent, L"Downloading", CRect());
        EXPECT_EQ(probe.Started(kWalk, 10), 0) << percent << ": no walk for a step of 5";
        const Frame* frame = PaintNow(w);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(BarLength(*frame, barLeft, barRow), 320 * percent / 100) << percent << "%";
    }
    probe.Clear();
    w.host.SetProgress(100, L"Done", CRect());
    EXPECT_EQ(probe.Started(kFade, 50), 1) << "full: the strip fades";
    const Frame* frame = PaintNow(w);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(BarLength(*frame, barLeft, barRow), 320) << "the bar reaches r - 10";

    probe.Clear();
    w.host.SetProgress(100, L"again", CRect());
    EXPECT_TRUE(probe.timersSet.empty()) << "the same target changes nothing";
}

TEST_F(Strip, ProgressFurtherThanFiveWalksTwoPercentATick)
{
    HostWindow w;
    ASSERT_NE(w.Open(100, 100, 340, 250, true), nullptr);
    PumpFor(50);
    probe.Clear();
    const CRect rc(20, 150, 320, 210);
    w.host.SetProgress(50, L"Downloading", rc);
    EXPECT_EQ(probe.Started(kWalk, 10), 1);
    ASSERT_TRUE(PumpUntil([&] { return probe.Stopped(kWalk) > 0; }, 10000));
    PumpFor(50);

    std::vector<int> lengths;
    for (const Frame& f : probe.frames) lengths.push_back(BarLength(f, rc.left + 10, rc.bottom - 16));
    std::vector<int> steps = Steps(lengths);
    std::vector<int> expected;
    for (int shown = 2; shown <= 50; shown += 2) expected.push_back(280 * shown / 100);
    // The walk may begin before the first paint: compare from the first bar shown.
    while (!steps.empty() && steps.front() == 0) steps.erase(steps.begin());
    EXPECT_EQ(steps, expected) << "25 ticks of 2 %";
    EXPECT_EQ(probe.Started(kFade, 50), 0) << "no fade below 100 %";

    // An empty text hides the strip, whatever the progress.
    w.host.SetProgress(60, L"", rc);
    PumpUntil([&] { return probe.Stopped(kWalk) > 1; }, 5000);
    const Frame* frame = PaintNow(w);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(BarLength(*frame, rc.left + 10, rc.bottom - 16), 0);
}
