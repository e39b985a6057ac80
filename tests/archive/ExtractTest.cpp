// ExtractArchive on archives the tests write themselves: where entries land, what is
// refused, attributes and times, and damaged input.
#include <gtest/gtest.h>

#include <windows.h>
#include <algorithm>
#include <string>
#include <vector>

#include "../support/TestPaths.h"
#include "ZipBuilder.h"
#include "archive/ZipReader.h"

namespace {

class Extract : public testing::Test {
protected:
    void SetUp() override
    {
        root = MakeTempFolder(L"extract");
        base = root + L"out\\";
        zip = root + L"package.zip";
    }
    void TearDown() override
    {
        // Read-only files would stop the removal.
        ClearAttributes(base);
        RemoveTree(root);
    }

    bool Build(const std::vector<ZipItem>& items)
    {
        ZipBuilder builder(zip);
        for (const auto& item : items)
            if (!builder.Add(item)) return false;
        return builder.Close();
    }
    static void ClearAttributes(const std::wstring& folder)
    {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ClearAttributes(path + L"\\");
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    bool Exists(const std::wstring& relative) const
    {
        return GetFileAttributesW((base + relative).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    bool IsFolder(const std::wstring& relative) const
    {
        DWORD a = GetFileAttributesW((base + relative).c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
    }
    std::string Content(const std::wstring& relative) const { return ReadWholeFile(base + relative); }
    // Every name below base, folders with a trailing backslash, sorted.
    std::vector<std::wstring> Tree(const std::wstring& folder = L"") const
    {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((base + folder + L"*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                names.push_back(folder + name + L"\\");
                for (auto& inner : Tree(folder + name + L"\\")) names.push_back(inner);
            } else {
                names.push_back(folder + name);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::wstring root, base, zip;
};

ZipItem File(const std::string& name, const std::string& data)
{
    ZipItem item;
    item.name = name;
    item.data = data;
    return item;
}

FILETIME LocalToUtc(int year, int month, int day, int hour, int minute, int second)
{
    SYSTEMTIME local = {};
    local.wYear = WORD(year);
    local.wMonth = WORD(month);
    local.wDay = WORD(day);
    local.wHour = WORD(hour);
    local.wMinute = WORD(minute);
    local.wSecond = WORD(second);
    FILETIME localTime = {}, utc = {};
    SystemTimeToFileTime(&local, &localTime);
    LocalFileTimeToFileTime(&localTime, &utc);
    return utc;
}

FILETIME UnixTime(int64_t seconds)
{
    uint64_t ticks = uint64_t(seconds) * 10000000 + 116444736000000000ULL;
    return {DWORD(ticks), DWORD(ticks >> 32)};
}

struct Times {
    FILETIME access, write;
};
Times TimesOf(const std::wstring& path)
{
    Times t = {};
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return t;
    GetFileTime(file, nullptr, &t.access, &t.write);
    CloseHandle(file);
    return t;
}
uint64_t Ticks(const FILETIME& t) { return uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime; }

} // namespace

TEST_F(Extract, NestedFoldersAreCreatedWithoutDirectoryEntries)
{
    ASSERT_TRUE(Build({File("sub/dir/a.txt", "alpha"), File("top.txt", "top"), File("sub\\b.txt", "beta")}));
    ASSERT_TRUE(ExtractArchive(zip.c_str(), base.c_str()));
    EXPECT_EQ(Tree(), (std::vector<std::wstring>{L"sub\\", L"sub\\b.txt", L"sub\\dir\\", L"sub\\dir\\a.txt", L"top.txt"}));
    EXPECT_EQ(Content(L"sub\\dir\\a.txt"), "alpha");
    EXPECT_EQ(Content(L"top.txt"), "top");
}

TEST_F(Extract, FolderWithoutTrailingSeparatorAndSlashFolder)
{
    ASSERT_TRUE(Build({File("x.txt", "x")}));
    std::wstring slashBase = root + L"slashed/";
    ASSERT_TRUE(ExtractArchive(zip.c_str(), (root + L"plain").c_str()));
    ASSERT_TRUE(ExtractArchive(zip.c_str(), slashBase.c_str()));
    EXPECT_EQ(ReadWholeFile(root + L"plain\\x.txt"), "x");
    EXPECT_EQ(ReadWholeFile(root + L"slashed\\x.txt"), "x");
}

TEST_F(Extract, DirectoryEntriesOfDosAndUnixHostsMakeOnlyFolders)
{
    ZipItem dos;
    dos.name = "dosdir/";
    dos.externalAttributes = 0x10;
    ZipItem unix;
    unix.name = "unixdir/";
    unix.host = 3;
    unix.externalAttributes = 0x41ED0000u; // drwxr-xr-x
    ZipItem ntfsDeep;
    ntfsDeep.name = "deep/er/still/";
    ntfsDeep.host = 11;
    ntfsDeep.externalAttributes = 0x10;
    ASSERT_TRUE(Build({dos, unix, ntfsDeep}));
    ASSERT_TRUE(ExtractArchive(zip.c_str(), base.c_str()));
    EXPECT_EQ(Tree(), (std::vector<std::wstring>{L"deep\\", L"deep\\er\\", L"deep\\er\\still\\", L"dosdir\\",
                                                 L"unixdir\\"}));
}

TEST_F(Extract, CleanedNamesLandBelowTheFolder)
{
    ASSERT_TRUE(Build({File("C:\\evil\\x.exe", "1"), File("\\y.exe", "2"), File("a/../b.txt", "3"),
                       File("a\\..\\c.txt", "4"), File("/abs/d.txt", "5"), File("e\\../f.txt", "6"),
                       File("g/..\\h.txt", "7")}));
    ASSERT_TRUE(ExtractArchive(zip.c_str(), base.c_str()));
    EXPECT_EQ(Tree(), (std::vector<std::wstring>{L"abs\\", L"abs\\d.txt", L"b.txt", L"c.txt", L"evil\\",
                                                 L"evil\\x.exe", L"f.txt", L"h.txt", L"y.exe"}));
    EXPECT_EQ(Content(L"evil\\x.exe"), "1");
    EXPECT_EQ(Content(L"h.txt"), "7");
}

TEST_F(Extract, NamesThatWouldEscapeAreSkippedAndTheRestExtracted)
{
    ASSERT_TRUE(Build({File("../escape1.txt", "bad"), File("..\\escape2.txt", "bad"), File("x/y/../../escape3.txt", "bad"),
                       File("sub/../../escape4.txt", "bad"), File("..", "bad"), File("safe.txt", "good")}));
    ASSERT_TRUE(ExtractArchive(zip.c_str(), base.c_str()));
    EXPECT_EQ(Tree(), (std::vector<std::wstring>{L"safe.txt"}));
    for (const wchar_t* escaped : {L"escape1.txt", L"escape2.txt", L"escape3.txt", L"escape4.txt"})
        EXPECT_EQ(GetFileAttributesW((root + escaped).c_str()), INVALID_FILE_ATTRIBUTES) << escaped;
}

TEST_F(Extract, NamesAndPathsBeyondTheBufferAreSkippedNotCut)
{
    std::string longName(260, 'n'); // no room for the terminator
    std::string fits = std::string(200, 'f') + ".txt";
    // Fits as a name, but not below this folder within 260 characters.
    std::string tooDeep = std::string(250 - base.size(), 'd') + "/" + std::string(20, 'e') + ".txt";
    ASSERT_TRUE(Build({File(longName, "long"), File(std::string(300, 'm'), "longer"), File(tooDeep, "deep"),
                       File("after.txt", "after")}));
    ASSERT_TRUE(ExtractArchive(zip.c_str(), base.c_str()));
    EXPECT_EQ(Tree(), (std::vector<std::wstring>{L"after.txt"}));

    ASSERT_TRUE(Build({File(fits, "fits")}));
    ASSERT_TRUE(ExtractArchive(zip.c_str(), base.c_str()));
    EXPECT_EQ(Content(std::wstring(fits.begin(), fits.end())), "fits");
}

TEST_F(Extract, DuplicateNamesLeaveTheLaterContent)
{
    ASSERT_TRUE(Build({File("same.txt", "first version"), File("same.txt", "second")}));
    ASSERT_TRUE(ExtractArchive(zip.c_str(), base.c_str()));
    EXPECT_EQ(Content(L"same.txt"), "second");
}

TEST_F(Extract, ZeroSizeEntryIsCreatedEmptyWithItsCreationTimes)
{
    ZipItem empty = File("empty.txt", "");
    empty.dosDateTime = DosDateTimeOf(2001, 9, 15, 13, 34, 10);
    ASSERT_TRUE(Build({empty}));
    ASSERT_TRUE(ExtractArchive(zip.c_str(), base.c_str()));
    ASSERT_TRUE(Exists(L"empty.txt"));
    EXPECT_EQ(Content(L"empty.txt"), "");
    // Nothing was read, so the stored time was never applied: the file is from today.
    EXPECT_GT(Ticks(TimesOf(base + L"empty.txt").write), Ticks(LocalToUtc(2020, 1, 1, 0, 0, 0)));
}

TEST_F(Extract, AttributesByHost)
{
    ZipItem dosReadOnly = File("dos-ro.txt", "r");
    dosReadOnly.externalAttributes = 0x21;
    ZipItem dosHidden = File("dos-hidden.txt", "h");
    dosHidden.externalAttributes = 0x22;
    ZipItem unixReadOnly = File("unix-ro.txt", "u");
    unixReadOnly.host = 3;
    unixReadOnly.externalAttributes = 0x81240000u; // -r--r--r--
    ZipItem unixWritable = File("unix-rw.txt", "w");
    unixWritable.host = 3;
    unixWritable.externalAttributes = 0x81A40000u; // -rw-r--r--
    ASSERT_TRUE(Build({dosReadOnly, dosHidden, unixReadOnly, unixWritable}));
    ASSERT_TRUE(ExtractArchive(zip.c_str(), base.c_str()));
    auto attr = [&](const wchar_t* name) {
        return GetFileAttributesW((base + name).c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    };
    EXPECT_EQ(attr(L"dos-ro.txt"), DWORD(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(attr(L"dos-hidden.txt"), DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(attr(L"unix-ro.txt"), DWORD(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(attr(L"unix-rw.txt"), 0u);
    EXPECT_EQ(Content(L"unix-ro.txt"), "u");
}

TEST_F(Extract, DosTimesAndExtendedTimestamps)
{
    ZipItem dosOnly = File("dos.txt", "d");
    dosOnly.dosDateTime = DosDateTimeOf(2001, 9, 15, 13, 34, 10);
    const int32_t mtime = 1234567890; // 2009-02-13 23:31:30 UTC
    ZipItem modifiedOnly = File("ut.txt", "u");
    modifiedOnly.dosDateTime = DosDateTimeOf(2003, 3, 3, 3, 3, 4);
    modifiedOnly.localExtra = OtherExtraBlock(0xCAFE, 300) + ExtendedTimestampBlock(1, &mtime, 1);
    const int32_t both[2] = {1300000000, 1400000000};
    ZipItem modifiedAndAccessed = File("ut2.txt", "v");
    modifiedAndAccessed.localExtra = ExtendedTimestampBlock(3, both, 2);
    ASSERT_TRUE(Build({dosOnly, modifiedOnly, modifiedAndAccessed}));
    ASSERT_TRUE(ExtractArchive(zip.c_str(), base.c_str()));

    Times dos = TimesOf(base + L"dos.txt");
    EXPECT_EQ(Ticks(dos.write), Ticks(LocalToUtc(2001, 9, 15, 13, 34, 10)));
    EXPECT_EQ(Ticks(dos.access), Ticks(LocalToUtc(2001, 9, 15, 13, 34, 10)));

    Times ut = TimesOf(base + L"ut.txt");
    EXPECT_EQ(Ticks(ut.write), Ticks(UnixTime(mtime)));
    EXPECT_EQ(Ticks(ut.access), Ticks(LocalToUtc(2003, 3, 3, 3, 3, 4))); // from the DOS stamp

    Times ut2 = TimesOf(base + L"ut2.txt");
    EXPECT_EQ(Ticks(ut2.write), Ticks(UnixTime(both[0])));
    EXPECT_EQ(Ticks(ut2.access), Ticks(UnixTime(both[1])));
}

TEST_F(Extract, ReadOnlyFileInTheWayIsLeftAndItsEntrySkipped)
{
    CreateDirectoryW(base.c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(base + L"locked.txt", "old"));
    ASSERT_TRUE(SetFileAttributesW((base + L"locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(Build({File("locked.txt", "new"), File("free.txt", "free")}));
    ASSERT_TRUE(ExtractArchive(zip.c_str(), base.c_str()));
    EXPECT_EQ(Content(L"locked.txt"), "old");
    EXPECT_EQ(Content(L"free.txt"), "free");
}

TEST_F(Extract, DamagedEntriesKeepWhatCouldBeRead)
{
    ZipItem encrypted = File("secret.txt", "confidential text");
    encrypted.password = "password";
    ZipItem storedEncrypted = File("secret-stored.txt", "more confidential text");
    storedEncrypted.password = "password";
    storedEncrypted.method = 0;
    ZipItem badCrc = File("badcrc.txt", "complete but unverified");
    badCrc.wrongCrc = true;
    ASSERT_TRUE(Build({encrypted, storedEncrypted, badCrc, File("plain.txt", "plain")}));
    ASSERT_TRUE(ExtractArchive(zip.c_str(), base.c_str()));
    // No password: the files exist but hold nothing of the encrypted bytes.
    ASSERT_TRUE(Exists(L"secret.txt"));
    EXPECT_EQ(Content(L"secret.txt"), "");
    EXPECT_EQ(Content(L"secret-stored.txt"), "");
    EXPECT_EQ(Content(L"badcrc.txt"), "complete but unverified");
    EXPECT_EQ(Content(L"plain.txt"), "plain");
}

TEST_F(Extract, ArchivesThatDoNotOpenWriteNothing)
{
    // Missing file, a file that is no archive, an empty file, a truncated archive.
    EXPECT_FALSE(ExtractArchive((root + L"missing.zip").c_str(), base.c_str()));

    ASSERT_TRUE(WriteWholeFile(zip, "this is a text file, not a package\r\n"));
    EXPECT_FALSE(ExtractArchive(zip.c_str(), base.c_str()));
    ASSERT_TRUE(WriteWholeFile(zip, ""));
    EXPECT_FALSE(ExtractArchive(zip.c_str(), base.c_str()));

    std::string big(200000, 'z');
    ASSERT_TRUE(Build({File("one.txt", big), File("two.txt", big)}));
    std::string whole = ReadWholeFile(zip);
    ASSERT_TRUE(WriteWholeFile(zip, whole.substr(0, whole.size() - 30)));
    EXPECT_FALSE(ExtractArchive(zip.c_str(), base.c_str()));

    EXPECT_FALSE(Exists(L""));
}

TEST_F(Extract, DamagedDataKeepsTheBytesBeforeTheDamage)
{
    // A deflated entry whose stream turns invalid after 40000 good bytes (a block of
    // the reserved type follows): the file keeps a prefix, later entries still come.
    std::string data;
    for (int i = 0; data.size() < 100000; ++i) data += "line " + std::to_string(i) + "\n";
    ZipItem broken = File("broken.bin", data);
    broken.rawDeflated = DeflateFlushed(data.substr(0, 40000)) + std::string("\x07\x00\x00\x00", 4);
    ASSERT_TRUE(Build({broken, File("after.txt", "after")}));
    ASSERT_TRUE(ExtractArchive(zip.c_str(), base.c_str()));
    std::string kept = Content(L"broken.bin");
    EXPECT_LT(kept.size(), 40000u);
    EXPECT_GE(kept.size(), 2 * ZipReader::kBufferBytes) << "the reads before the damage were written";
    EXPECT_EQ(kept, data.substr(0, kept.size()));
    EXPECT_EQ(Content(L"after.txt"), "after");
}

TEST_F(Extract, ReaderEntriesAndCounts)
{
    ASSERT_TRUE(Build({File("a.txt", "aaaa"), File("b/c.txt", "cc")}));
    ZipReader reader;
    ASSERT_TRUE(reader.Open(zip.c_str()));
    ZipEntry e;
    ASSERT_TRUE(reader.GetEntry(-1, &e));
    EXPECT_EQ(e.index, 2);
    ASSERT_TRUE(reader.GetEntry(1, &e));
    EXPECT_STREQ(e.name, L"b/c.txt");
    EXPECT_EQ(e.unc_size, 2);
    ASSERT_TRUE(reader.GetEntry(0, &e)); // backwards: restarts from the first entry
    EXPECT_STREQ(e.name, L"a.txt");
    EXPECT_EQ(e.unc_size, 4);
    EXPECT_FALSE(reader.GetEntry(2, &e));
    EXPECT_FALSE(reader.GetEntry(-2, &e));
    reader.SetBaseFolder(base.c_str());
    EXPECT_TRUE(reader.ExtractEntry(1, L"b/c.txt"));
    EXPECT_FALSE(reader.ExtractEntry(2, L"x.txt"));
    reader.Close();
    EXPECT_EQ(Tree(), (std::vector<std::wstring>{L"b\\", L"b\\c.txt"}));
}
