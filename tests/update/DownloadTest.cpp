// Package downloads against the local HTTPS server: progress posts, failed transfers
// that leave nothing behind, the package folder, extraction and the start of the
// program inside.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "../archive/ZipBuilder.h"
#include "Packages.h"
#include "../support/Processes.h"
#include "../support/TestPaths.h"
#include "TestServer.h"
#include "app/Folders.h"
#include "update/PackageUpdate.h"

namespace {

using Posts = std::vector<PostTarget::Posted>;
PostTarget::Posted Progress(int value) { return {WM_TRAYNOTIFY, 0, value}; }

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Pattern(std::size_t size)
{
    std::string data(size, '\0');
    uint32_t x = 2463534242u;
    for (auto& c : data) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x);
    }
    return data;
}

class Download : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(TrustTestCertificate()); }
    void SetUp() override
    {
        base = TestServerBaseUrl();
        ASSERT_FALSE(base.empty()) << "the update server fixture is not running";
        scratch = MakeTempFolder(L"download");
    }
    void TearDown() override { RemoveTree(scratch); }

    std::wstring base, scratch;
    PostTarget target;
};

} // namespace

TEST_F(Download, SmallFilePostsOnlyTheFixedSteps)
{
    std::string body = Pattern(5000);
    ASSERT_TRUE(PutServerFile("dl/small.bin", body));
    HttpTransfer transfer;
    std::wstring file = scratch + L"small.bin";
    EXPECT_EQ(transfer.DownloadToFile(base + L"/dl/small.bin", file, target.Window()), HttpTransfer::kDone);
    EXPECT_EQ(target.Take(), (Posts{Progress(2), Progress(8), Progress(10), Progress(100)}));
    EXPECT_EQ(ReadWholeFile(file), body);

    // The same object again: the first post is 0, because the last one was 100.
    EXPECT_EQ(transfer.DownloadToFile(base + L"/dl/small.bin", file, target.Window()), HttpTransfer::kDone);
    EXPECT_EQ(target.Take(), (Posts{Progress(0), Progress(2), Progress(8), Progress(10), Progress(100)}));

    // Without a window nothing is posted and the file still arrives.
    DeleteFileW(file.c_str());
    EXPECT_EQ(transfer.DownloadToFile(base + L"/dl/small.bin", file, nullptr), HttpTransfer::kDone);
    EXPECT_EQ(target.Take(), Posts{});
    EXPECT_EQ(ReadWholeFile(file), body);
}

TEST_F(Download, LargeFileProgressRisesToOneHundred)
{
    std::string body = Pattern(1000000);
    ASSERT_TRUE(PutServerFile("dl/large.bin", body));
    HttpTransfer transfer;
    std::wstring file = scratch + L"large.bin";
    EXPECT_EQ(transfer.DownloadToFile(base + L"/dl/large.bin", file, target.Window()), HttpTransfer::kDone);
    Posts posts = target.Take();
    ASSERT_GE(posts.size(), 5u);
    EXPECT_EQ(Posts(posts.begin(), posts.begin() + 3), (Posts{Progress(2), Progress(8), Progress(10)}));
    EXPECT_EQ(posts.back(), Progress(100));
    for (std::size_t i = 3; i < posts.size(); ++i) {
        EXPECT_EQ(posts[i].message, UINT(WM_TRAYNOTIFY));
        EXPECT_GT(posts[i].lParam, posts[i - 1].lParam) << "values only rise, and repeat none";
        EXPECT_LE(posts[i].lParam, 100);
    }
    EXPECT_EQ(ReadWholeFile(file), body);
}

TEST_F(Download, ErrorStatusLeavesNoFile)
{
    HttpTransfer transfer;
    std::wstring file = scratch + L"missing.zip";
    ASSERT_TRUE(WriteWholeFile(file, "an older file"));
    EXPECT_EQ(transfer.DownloadToFile(base + L"/dl/missing.zip", file, target.Window()), HttpTransfer::kFailed);
    EXPECT_EQ(target.Take(), (Posts{Progress(2)}));
    EXPECT_EQ(ReadWholeFile(file), "an older file") << "the request failed before the file was touched";

    DeleteFileW(file.c_str());
    EXPECT_EQ(transfer.DownloadToFile(base + L"/dl/missing.zip", file, nullptr), HttpTransfer::kFailed);
    EXPECT_FALSE(FileExists(file));

    // A file that cannot be created: the folder does not exist.
    ASSERT_TRUE(PutServerFile("dl/small.bin", "x"));
    EXPECT_EQ(transfer.DownloadToFile(base + L"/dl/small.bin", scratch + L"no\\such\\folder.bin", nullptr),
              HttpTransfer::kFailed);
}

TEST_F(Download, StoppedTransferEndsEarlyAndRemovesItsFile)
{
    ASSERT_TRUE(PutServerFile("dl/huge.bin", std::string(40 * 1024 * 1024, '\x5A')));
    HttpTransfer transfer;
    std::wstring file = scratch + L"huge.bin";
    int result = 0;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        result = transfer.DownloadToFile(base + L"/dl/huge.bin", file, target.Window());
        finished = true;
    });
    // Stop once the first chunk has arrived, as a closing program would.
    bool chunkSeen = false;
    while (!chunkSeen && !finished) {
        MSG msg;
        if (!PeekMessageW(&msg, target.Window(), 0, 0, PM_REMOVE)) {
            Sleep(1);
            continue;
        }
        if (msg.message == WM_TRAYNOTIFY && msg.lParam > 10) chunkSeen = true;
    }
    transfer.Stop();
    worker.join();
    EXPECT_TRUE(chunkSeen);
    EXPECT_EQ(result, HttpTransfer::kStopped);
    EXPECT_FALSE(FileExists(file));
    for (const auto& p : target.Take()) EXPECT_NE(p.lParam, 100) << "a stopped download never reports completion";
    RemoveServerFile("dl/huge.bin");
}

TEST_F(Download, CreateDirectoryTreeMakesEveryLevel)
{
    EXPECT_TRUE(CreateDirectoryTree(scratch));
    EXPECT_TRUE(CreateDirectoryTree(scratch + L"a\\b\\c"));
    EXPECT_TRUE(PathIsDirectoryW((scratch + L"a\\b\\c").c_str()));
    EXPECT_TRUE(CreateDirectoryTree(scratch + L"a\\b\\c\\"));
    ASSERT_TRUE(WriteWholeFile(scratch + L"file", "x"));
    EXPECT_FALSE(CreateDirectoryTree(scratch + L"file")) << "a file of that name is no directory";
    EXPECT_FALSE(CreateDirectoryTree(scratch + L"file\\below"));
}

TEST_F(Download, PackageIsFetchedExtractedAndItsProgramStarted)
{
    const std::wstring folder = PackageFolder();
    ASSERT_EQ(folder, GetWorkFolder() + L"temp\\");
    DeleteFileW((folder + L"Software-1.0.7.1.exe.ran").c_str());
    ASSERT_TRUE(PutServerFile("display-580/580R/software/Software-1.0.7.1.zip", PackageWithProgram("Software-1.0.7.1.exe", scratch, true)));

    UpdateState state(base);
    state.SetLatestSoftwareVersion(L"1.0.7.1");
    EXPECT_EQ(DownloadAndStartPackage(state.transfer, state.SoftwareBaseUrl, kSoftwarePackage, L"1.0.7.1",
                                      target.Window()),
              PackageStarted);
    EXPECT_TRUE(WaitFor([&] { return FileExists(folder + L"Software-1.0.7.1.exe.ran"); }, 30000))
        << "the program inside the package ran";
    EXPECT_EQ(ReadWholeFile(folder + L"notes\\readme.txt"), "release notes");
    EXPECT_FALSE(FileExists(folder + L"Software-1.0.7.1.zip")) << "an archive that opened is deleted";
    Posts posts = target.Take();
    ASSERT_FALSE(posts.empty());
    EXPECT_EQ(posts.front(), Progress(2));
    EXPECT_EQ(posts.back(), Progress(100));

    // The folder URL ends with "/" and the package is joined with "//": three slashes.
    bool asked = false;
    for (const auto& line : ServerRequests())
        asked |= line == "GET /display-580/580R/software///Software-1.0.7.1.zip 200";
    EXPECT_TRUE(asked);
}

TEST_F(Download, FirmwareToolPackageIsStartedFromTheFirmwareFolder)
{
    const std::wstring folder = PackageFolder();
    DeleteFileW((folder + L"FirmwareUpdateTool-110.exe.ran").c_str());
    ASSERT_TRUE(PutServerFile("display-580/580R/firmware/FirmwareUpdateTool-110.zip",
                              PackageWithProgram("FirmwareUpdateTool-110.exe", scratch)));
    UpdateState state(base);
    EXPECT_EQ(DownloadAndStartPackage(state.transfer, state.FirmwareBaseUrl, kFirmwarePackage, L"110", nullptr),
              PackageStarted);
    EXPECT_TRUE(WaitFor([&] { return FileExists(folder + L"FirmwareUpdateTool-110.exe.ran"); }, 30000));
    bool asked = false;
    for (const auto& line : ServerRequests())
        asked |= line == "GET /display-580/580R/firmware///FirmwareUpdateTool-110.zip 200";
    EXPECT_TRUE(asked);
}

TEST_F(Download, PackageWithoutItsProgramStartsNothing)
{
    const std::wstring folder = PackageFolder();
    ASSERT_TRUE(PutServerFile("display-580/580R/firmware/FirmwareUpdateTool-107.zip", PackageWithProgram("Other-107.exe", scratch)));
    UpdateState state(base);
    EXPECT_EQ(DownloadAndStartPackage(state.transfer, state.FirmwareBaseUrl, kFirmwarePackage, L"107", nullptr),
              PackageNotStarted);
    EXPECT_TRUE(FileExists(folder + L"Other-107.exe"));
    EXPECT_FALSE(FileExists(folder + L"FirmwareUpdateTool-107.zip"));

    // An error page is no package: nothing is saved, nothing started.
    RemoveServerFile("display-580/580R/firmware/FirmwareUpdateTool-108.zip");
    EXPECT_EQ(DownloadAndStartPackage(state.transfer, state.FirmwareBaseUrl, kFirmwarePackage, L"108", nullptr),
              PackageNotObtained);
    EXPECT_FALSE(FileExists(folder + L"FirmwareUpdateTool-108.zip"));

    // A file that is no archive: obtained, kept, but nothing to start.
    ASSERT_TRUE(PutServerFile("display-580/580R/firmware/FirmwareUpdateTool-109.zip", "not an archive"));
    EXPECT_EQ(DownloadAndStartPackage(state.transfer, state.FirmwareBaseUrl, kFirmwarePackage, L"109", nullptr),
              PackageNotStarted);
    EXPECT_EQ(ReadWholeFile(folder + L"FirmwareUpdateTool-109.zip"), "not an archive");
}

TEST_F(Download, VersionTextsThatAreNoFileNamesAreRefused)
{
    UpdateState state(base);
    std::size_t before = ServerRequests().size();
    for (const wchar_t* version : {L"", L"..\\..\\x", L"a/b", L"C:x", L"1.0\r\n", L"..", L"12345678901"})
        EXPECT_EQ(DownloadAndStartPackage(state.transfer, state.SoftwareBaseUrl, kSoftwarePackage, version, nullptr),
                  PackageNotObtained)
            << testing::PrintToString(std::wstring(version));
    EXPECT_EQ(ServerRequests().size(), before) << "nothing was requested";
}
