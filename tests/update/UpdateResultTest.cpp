// The WM_UPDATERESULT handler with a stand-in message box: which box it shows, with
// which text, and which download it queues for which answer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/TaskCode.h"
#include "update/UpdateChecks.h"

namespace {
struct Shown {
    std::wstring text, caption;
    int style;
    bool operator==(const Shown& o) const { return text == o.text && caption == o.caption && style == o.style; }
};
void PrintTo(const Shown& s, std::ostream* os)
{
    *os << testing::PrintToString(s.text) << " / " << testing::PrintToString(s.caption) << " / " << s.style;
}
} // namespace

TEST(UpdateResult, BoxesAndQueuedDownloads)
{
    UpdateState state(L"https://unused.example");
    state.SetLatestSoftwareVersion(L"1.0.0.6");
    state.SetLatestFirmwareVersion(L"106");
    struct Case {
        WPARAM w;
        LPARAM l;
        int answer;
        std::vector<Shown> shown;
        std::vector<int> queued;
    } cases[] = {
        {1, 0, 1, {{L"The software is the latest version!", L"Software Updates", 0}}, {}},
        {1, 1, 1, {{L"Detected the latest version:v1.0.0.6, update now?", L"Software Updates", 4}}, {TaskDownloadSoftware}},
        {1, 1, 2, {{L"Detected the latest version:v1.0.0.6, update now?", L"Software Updates", 4}}, {}},
        {1, 7, 1, {{L"Detected the latest version:v1.0.0.6, update now?", L"Software Updates", 4}}, {TaskDownloadSoftware}},
        {2, 0, 1, {{L"The Firmware is the latest version!", L"Firmware Updates", 0}}, {}},
        {2, 1, 1, {{L"Detected the latest version:v106, update now?", L"Firmware Updates", 4}}, {TaskDownloadFirmware}},
        {2, 1, 2, {{L"Detected the latest version:v106, update now?", L"Firmware Updates", 4}}, {}},
        {3, 1, 1, {}, {}},
        {0, 0, 1, {}, {}},
    };
    for (const auto& c : cases) {
        std::vector<Shown> shown;
        std::vector<int> queued;
        LRESULT r = OnUpdateResult(
            c.w, c.l, state,
            [&](const std::wstring& text, const std::wstring& caption, int style) {
                shown.push_back({text, caption, style});
                return c.answer;
            },
            [&](int code) { queued.push_back(code); });
        EXPECT_EQ(r, 0);
        EXPECT_EQ(shown, c.shown) << "w " << c.w << " l " << c.l << " answer " << c.answer;
        EXPECT_EQ(queued, c.queued) << "w " << c.w << " l " << c.l << " answer " << c.answer;
    }
}

TEST(UpdateResult, PromptNamesTheVersionFetchedLast)
{
    UpdateState state(L"https://unused.example");
    std::wstring text;
    auto show = [&](const std::wstring& t, const std::wstring&, int) {
        text = t;
        return 2;
    };
    state.SetLatestSoftwareVersion(L"1.0.1");
    OnUpdateResult(1, 1, state, show, [](int) {});
    EXPECT_EQ(text, L"Detected the latest version:v1.0.1, update now?");
    state.SetLatestSoftwareVersion(L"2.0.0.0");
    OnUpdateResult(1, 1, state, show, [](int) {});
    EXPECT_EQ(text, L"Detected the latest version:v2.0.0.0, update now?");
}
