#include "ZipReader.h"

#include <climits>

#include <minizip/unzip.h>
#include <minizip/iowin32.h> // after unzip.h, which it builds on

namespace {

constexpr int kStored = 0;
constexpr int kDeflated = 8;

unzFile Zip(void* handle) { return static_cast<unzFile>(handle); }

FILETIME FromTicks(int64_t ticks)
{
    FILETIME time;
    time.dwLowDateTime = DWORD(uint64_t(ticks) & 0xFFFFFFFFu);
    time.dwHighDateTime = DWORD(uint64_t(ticks) >> 32);
    return time;
}

bool IsSet(const FILETIME& time) { return time.dwLowDateTime || time.dwHighDateTime; }

// The DOS stamp is local time; an impossible date leaves the time unset.
FILETIME DosToUtc(uint32_t dosDateTime)
{
    DosDateTime d = DecodeDosDateTime(dosDateTime);
    SYSTEMTIME local = {};
    local.wYear = WORD(d.year);
    local.wMonth = WORD(d.month);
    local.wDay = WORD(d.day);
    local.wHour = WORD(d.hour);
    local.wMinute = WORD(d.minute);
    local.wSecond = WORD(d.second);
    FILETIME localTime = {}, utc = {};
    if (!SystemTimeToFileTime(&local, &localTime) || !LocalFileTimeToFileTime(&localTime, &utc)) return {};
    return utc;
}

} // namespace

ZipReader::~ZipReader() { Close(); }

bool ZipReader::Open(const wchar_t* zipPath)
{
    Close();
    zlib_filefunc64_def io;
    fill_win32_filefunc64W(&io);
    unzFile zip = unzOpen2_64(zipPath, &io);
    if (!zip) return false;
    unz_global_info64 info = {};
    if (unzGetGlobalInfo64(zip, &info) != UNZ_OK) {
        unzClose(zip);
        return false;
    }
    m_zip = zip;
    m_count = info.number_entry > ZPOS64_T(INT_MAX) ? INT_MAX : int(info.number_entry);
    m_firstUnreachable = m_count;
    m_position = -1;
    m_cachedIndex = -1;
    return true;
}

void ZipReader::SetBaseFolder(const wchar_t* folder)
{
    m_base = folder ? folder : L"";
    m_folderEnsured = false;
    if (m_base.empty() || (m_base.back() != L'\\' && m_base.back() != L'/')) m_base += L'\\';
}

void ZipReader::CloseEntryData()
{
    if (!m_dataOpen) return;
    unzCloseCurrentFile(Zip(m_zip)); // a CRC mismatch reported here is not acted on
    m_dataOpen = false;
}

bool ZipReader::PositionOn(int index)
{
    if (!IsReachable(index)) return false;
    if (m_position < 0 || index < m_position) {
        m_position = -1;
        if (unzGoToFirstFile(Zip(m_zip)) != UNZ_OK) {
            m_firstUnreachable = 0;
            return false;
        }
        m_position = 0;
    }
    while (m_position < index) {
        if (unzGoToNextFile(Zip(m_zip)) != UNZ_OK) {
            m_firstUnreachable = m_position + 1;
            m_position = -1;
            return false;
        }
        ++m_position;
    }
    return true;
}

bool ZipReader::ReadEntry(int index, ZipEntry* entry, EntryData* data)
{
    m_cachedIndex = -1; // the archive moves; the cache no longer describes its position
    if (!PositionOn(index)) return false;

    unz_file_info64 info = {};
    char stored[kZipPathChars] = {};
    if (unzGetCurrentFileInfo64(Zip(m_zip), &info, stored, sizeof(stored), nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    // A name that does not fit would be cut into another, unintended name.
    if (info.size_filename >= sizeof(stored)) return false;

    // The local extra field: open the entry's data raw (no inflating, no password)
    // just to locate and check its local header.
    if (unzOpenCurrentFile2(Zip(m_zip), nullptr, nullptr, 1) != UNZ_OK) return false;
    int extraSize = unzGetLocalExtrafield(Zip(m_zip), nullptr, 0);
    std::vector<uint8_t> extra(extraSize > 0 ? std::size_t(extraSize) : 0);
    bool extraRead = extraSize >= 0 &&
                     (extra.empty() || unzGetLocalExtrafield(Zip(m_zip), extra.data(), unsigned(extra.size())) == extraSize);
    unzCloseCurrentFile(Zip(m_zip));
    if (!extraRead) return false;

    wchar_t wide[kZipPathChars] = {};
    if (!MultiByteToWideChar(CP_ACP, 0, stored, -1, wide, int(kZipPathChars))) return false;
    std::wstring cleaned = CleanEntryName(wide);

    ZipEntry e;
    e.index = index;
    cleaned.copy(e.name, kZipPathChars - 1);
    e.attr = EntryAttributes(uint16_t(info.version), uint32_t(info.external_fa));
    e.mtime = e.atime = e.ctime = DosToUtc(uint32_t(info.dosDate));
    ExtendedTimes ut = ScanExtendedTimestamp(extra.data(), extra.size());
    if (ut.hasModified) e.mtime = FromTicks(ut.modified);
    if (ut.hasAccessed) e.atime = FromTicks(ut.accessed);
    if (ut.hasCreated) e.ctime = FromTicks(ut.created);
    e.comp_size = int32_t(info.compressed_size);
    e.unc_size = int32_t(info.uncompressed_size);

    *entry = e;
    data->compressionMethod = int(info.compression_method);
    data->encrypted = info.flag & 1;
    return true;
}

bool ZipReader::GetEntry(int index, ZipEntry* entry)
{
    if (!m_zip) return false;
    if (index == -1) {
        entry->index = m_count;
        return true;
    }
    if (index < 0 || index >= m_count) return false;
    CloseEntryData();
    if (index == m_cachedIndex) {
        *entry = m_cached;
        return true;
    }
    if (!ReadEntry(index, &m_cached, &m_cachedData)) return false;
    m_cachedIndex = index;
    *entry = m_cached;
    return true;
}

bool ZipReader::ExtractEntry(int index, const wchar_t* name)
{
    if (!m_zip) return false;
    CloseEntryData();
    if (index < 0 || index >= m_count) return false;
    ZipEntry entry;
    if (!GetEntry(index, &entry)) return false;
    EntryData data = m_cachedData;

    std::wstring relative = name ? name : L"";
    if (relative.empty() || !IsContainedEntryName(relative)) return false;

    if (entry.attr & kAttrDirectory) {
        if (m_base.size() + relative.size() >= kZipPathChars) return false;
        EnsureDirectory(m_base, relative);
        return true;
    }

    std::wstring folder, file;
    SplitEntryName(relative, &folder, &file);
    std::wstring path = m_base + folder + file;
    if (path.size() >= kZipPathChars) return false;
    // Entries of one folder usually follow one another: make sure of it once.
    if (!m_folderEnsured || folder != m_ensuredFolder) {
        EnsureDirectory(m_base, folder);
        m_ensuredFolder = folder;
        m_folderEnsured = true;
    }

    // A read-only file in the way stays. The platform refuses to replace it anyway,
    // except for processes it lets past file permissions (root under Wine).
    DWORD existing = GetFileAttributesW(path.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY)) return false;
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, entry.attr, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;

    // Without a password an encrypted entry cannot be read, and minizip has no
    // decoder for other methods: the file stays empty.
    bool readable = !data.encrypted && (data.compressionMethod == kStored || data.compressionMethod == kDeflated);
    bool complete = false;
    if (readable && unzOpenCurrentFile(Zip(m_zip)) == UNZ_OK) {
        m_dataOpen = true;
        if (!m_buffer) m_buffer.reset(new char[kBufferBytes]);
        for (;;) {
            int n = unzReadCurrentFile(Zip(m_zip), m_buffer.get(), unsigned(kBufferBytes));
            if (n <= 0) break; // damaged data, or no data although the end was not reached
            DWORD written = 0;
            if (!WriteFile(out, m_buffer.get(), DWORD(n), &written, nullptr) || written != DWORD(n)) break;
            if (unzeof(Zip(m_zip))) {
                complete = true;
                break;
            }
        }
    }
    if (complete)
        SetFileTime(out, IsSet(entry.ctime) ? &entry.ctime : nullptr, IsSet(entry.atime) ? &entry.atime : nullptr,
                    IsSet(entry.mtime) ? &entry.mtime : nullptr);
    CloseHandle(out);
    CloseEntryData();
    return complete;
}

void ZipReader::Close()
{
    if (!m_zip) return;
    CloseEntryData();
    unzClose(Zip(m_zip));
    m_zip = nullptr;
    m_count = 0;
    m_firstUnreachable = 0;
    m_position = -1;
    m_cachedIndex = -1;
    m_buffer.reset();
}

bool ExtractArchive(const wchar_t* zipPath, const wchar_t* folder)
{
    ZipReader reader;
    if (!reader.Open(zipPath)) return false;
    reader.SetBaseFolder(folder);
    ZipEntry count;
    reader.GetEntry(-1, &count);
    for (int i = 0; i < count.index && reader.IsReachable(i); ++i) {
        ZipEntry entry; // a refused entry keeps its empty name and extracts nothing
        reader.GetEntry(i, &entry);
        reader.ExtractEntry(i, entry.name);
    }
    reader.Close();
    return true;
}

void EnsureDirectory(const std::wstring& base, const std::wstring& rel)
{
    if (!base.empty() && GetFileAttributesW(base.c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryW(base.c_str(), nullptr);
    if (rel.empty()) return;
    std::size_t last = rel.find_last_of(L"\\/");
    if (last != std::wstring::npos && last != 0) EnsureDirectory(base, rel.substr(0, last));
    std::wstring full = base + rel;
    if (GetFileAttributesW(full.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryW(full.c_str(), nullptr);
}
