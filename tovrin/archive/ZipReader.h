#pragma once
// Unpacking of a downloaded package: minizip walks the archive, zlib inflates, and
// this layer decides where each entry goes and which attributes and times it gets.
#include <windows.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ZipNames.h"

struct ZipEntry {
    int index = 0;                // for the request -1: the number of entries
    wchar_t name[kZipPathChars] = {}; // cleaned relative name
    DWORD attr = 0;
    FILETIME atime = {}, ctime = {}, mtime = {};
    int32_t comp_size = 0;
    int32_t unc_size = 0;
};

// One open archive. Not copyable; Close() (or the destructor) releases everything.
class ZipReader {
public:
    static constexpr std::size_t kBufferBytes = 16384;

    ZipReader() = default;
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Opens the archive read-only and reads its central directory.
    bool Open(const wchar_t* zipPath);
    void SetBaseFolder(const wchar_t* folder);
    // index -1 asks for the number of entries (in entry->index).
    bool GetEntry(int index, ZipEntry* entry);
    // False when positioning on entries from this one on is impossible (a damaged
    // central directory): nothing at or after it can be read.
    bool IsReachable(int index) const { return index < m_firstUnreachable; }
    bool ExtractEntry(int index, const wchar_t* name);
    void Close();

private:
    struct EntryData {
        int compressionMethod = 0;
        bool encrypted = false;
    };

    void CloseEntryData();
    bool PositionOn(int index);
    bool ReadEntry(int index, ZipEntry* entry, EntryData* data);

    void* m_zip = nullptr; // unzFile
    int m_count = 0;
    int m_position = -1;   // entry the archive stands on
    bool m_dataOpen = false;
    int m_firstUnreachable = 0;
    std::wstring m_base;
    std::wstring m_ensuredFolder; // the folder part last made sure of, below m_base
    bool m_folderEnsured = false;
    int m_cachedIndex = -1;
    ZipEntry m_cached;
    EntryData m_cachedData;
    std::unique_ptr<char[]> m_buffer;
};

// Extracts every entry of the archive below folder; true when the archive opened,
// whatever became of its entries.
bool ExtractArchive(const wchar_t* zipPath, const wchar_t* folder);

// Creates base when missing, then each level of rel (slashes or backslashes) below it.
void EnsureDirectory(const std::wstring& base, const std::wstring& rel);
