// The four checks against the local HTTPS server: what the worker posts for each
// version file, and what it keeps as the latest version.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestServer.h"
#include "update/HttpTransfer.h"
#include "update/UpdateChecks.h"

namespace {

using Posts = std::vector<PostTarget::Posted>;
const std::string kSoftwareVersionFile = "display-580/580R/software/version";
const std::string kFirmwareVersionFile = "display-580/580R/firmware/version";

class UpdateCheck : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(TrustTestCertificate()); }
    void SetUp() override
    {
        base = TestServerBaseUrl();
        ASSERT_FALSE(base.empty()) << "the update server fixture is not running";
        ASSERT_NE(target.Window(), nullptr);
    }
    // A version file's body, or none at all when body is null.
    void Serve(const std::string& file, const std::string* body)
    {
        if (body) ASSERT_TRUE(PutServerFile(file, *body));
        else RemoveServerFile(file);
    }

    std::wstring base;
    PostTarget target;
};

PostTarget::Posted Result(WPARAM w, LPARAM l) { return {WM_UPDATERESULT, w, l}; }

} // namespace

TEST_F(UpdateCheck, SoftwareVersionFiles)
{
    struct Case {
        std::string body;
        bool missing;
        Posts silent, interactive;
        std::wstring latest; // after the check; "previous" when it keeps its value
    } cases[] = {
        {"1.0.0.5", false, {}, {Result(1, 0)}, L"1.0.0.5"},
        {"1.0.1.0", false, {Result(1, 1)}, {Result(1, 1)}, L"1.0.1.0"},
        {"2.0.0.0", false, {Result(1, 1)}, {Result(1, 1)}, L"2.0.0.0"},
        {"1.0.1", false, {Result(1, 1)}, {Result(1, 1)}, L"1.0.1"},
        {"1.0.0.4", false, {}, {Result(1, 0)}, L"1.0.0.4"},
        {"1.0.10.100", false, {Result(1, 1)}, {Result(1, 1)}, L"1.0.10.100"},
        {"12345678901", false, {}, {}, L"previous"},
        {"", false, {}, {}, L"previous"},
        {std::string("1.0.0.6\0trailing data", 21), false, {Result(1, 1)}, {Result(1, 1)}, L"1.0.0.6"},
        {"", true, {}, {}, L"previous"}, // 404 "Not Found": nine characters, and no version
    };
    for (const auto& c : cases) {
        for (bool interactive : {false, true}) {
            Serve(kSoftwareVersionFile, c.missing ? nullptr : &c.body);
            UpdateState state(base);
            state.SetLatestSoftwareVersion(L"previous");
            CheckSoftwareVersion(state, target.Window(), interactive);
            EXPECT_EQ(target.Take(), interactive ? c.interactive : c.silent)
                << testing::PrintToString(c.body) << (c.missing ? " (missing)" : "")
                << (interactive ? " on demand" : " silent");
            EXPECT_EQ(state.LatestSoftwareVersion(), c.latest) << testing::PrintToString(c.body);
        }
    }
}

TEST_F(UpdateCheck, FirmwareAgainstTheFirstDisplay)
{
    struct Case {
        std::string body;
        bool missing;
        int answered; // what the display query returns
        int device;   // the version it reports
        Posts silent, interactive;
        std::wstring latest;
    } cases[] = {
        {"106", false, 1, 0x0105, {Result(2, 1)}, {Result(2, 1)}, L"106"},
        {"106", false, 1, 0x0106, {}, {Result(2, 0)}, L"106"},
        {"106", false, 0, 0, {}, {Result(2, 0)}, L"106"}, // no display
        {"11", false, 1, 0x010A, {Result(2, 1)}, {Result(2, 1)}, L"11"},
        {"", true, 1, 0x0105, {}, {}, L""},               // 404: emptied, nothing posted
        {"12345678901", false, 1, 0x0105, {}, {}, L""},
    };
    for (const auto& c : cases) {
        for (bool interactive : {false, true}) {
            Serve(kFirmwareVersionFile, c.missing ? nullptr : &c.body);
            UpdateState state(base);
            state.SetLatestFirmwareVersion(L"previous");
            int queries = 0;
            CheckFirmwareVersion(state, target.Window(), interactive, [&](int* version) {
                ++queries;
                if (c.answered) *version = c.device;
                return c.answered;
            });
            EXPECT_EQ(target.Take(), interactive ? c.interactive : c.silent)
                << c.body << " device " << std::hex << c.device << (interactive ? " on demand" : " silent");
            EXPECT_EQ(state.LatestFirmwareVersion(), c.latest) << c.body;
            EXPECT_EQ(queries, c.latest.empty() ? 0 : 1) << "the display is asked only after a usable file";
        }
    }
}

TEST_F(UpdateCheck, FetchTextResults)
{
    ASSERT_TRUE(PutServerFile("fetch/plain", "caf\xC3\xA9 text"));
    HttpTransfer transfer;
    std::wstring text = L"untouched";
    EXPECT_EQ(transfer.FetchText(base + L"/fetch/plain", text), HttpTransfer::kDone);
    EXPECT_EQ(text, L"caf\u00e9 text");

    text = L"untouched";
    EXPECT_EQ(transfer.FetchText(base + L"/fetch/missing", text), HttpTransfer::kFailed);
    EXPECT_EQ(text, L"untouched");

    // A body beyond any version text is refused, not held in memory.
    ASSERT_TRUE(PutServerFile("fetch/huge", std::string(HttpTransfer::kMaxTextBytes + 20000, '9')));
    EXPECT_EQ(transfer.FetchText(base + L"/fetch/huge", text), HttpTransfer::kFailed);
    EXPECT_EQ(text, L"untouched");

    // Nobody listens on port 9 of the loopback.
    EXPECT_EQ(transfer.FetchText(L"https://127.0.0.1:9/version", text), HttpTransfer::kFailed);
    EXPECT_EQ(text, L"untouched");
}
