#include "SimStore.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {

constexpr DWORD kLockWaitMs = 10000; // a holder that takes longer has hung
constexpr std::size_t kMaxReportBytes = 4096;
constexpr std::size_t kReplyBytes = 64;
constexpr std::size_t kWholeLog = SIZE_MAX;
constexpr std::uint8_t kReportId = 0x07;
constexpr std::uint8_t kVersionQuery = 0xFD;
// Answered to the first read after a query in bad-first mode: an invalid first byte, and
// version bytes that must not be taken for the real ones.
constexpr std::uint8_t kBadReply[3] = {0x00, 0xDE, 0xAD};

enum class ReadResult { Ok, Missing, Failed };

// The last `bytes` bytes of a file (all of a shorter one); Missing when it is absent.
ReadResult ReadTail(const std::wstring& path, std::size_t bytes, std::string& text)
{
    text.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? ReadResult::Missing
                                                                                : ReadResult::Failed;
    }
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size);
    if (ok && static_cast<std::uint64_t>(size.QuadPart) > bytes) {
        LARGE_INTEGER from;
        from.QuadPart = size.QuadPart - static_cast<LONGLONG>(bytes);
        ok = SetFilePointerEx(file, from, nullptr, FILE_BEGIN);
    }
    text.resize(ok ? std::min<std::uint64_t>(size.QuadPart, bytes) : 0);
    DWORD got = 0;
    if (ok && !text.empty()) ok = ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
    CloseHandle(file);
    text.resize(ok ? got : 0);
    return ok ? ReadResult::Ok : ReadResult::Failed;
}

ReadResult ReadText(const std::wstring& path, std::string& text) { return ReadTail(path, kWholeLog, text); }

bool WriteAll(HANDLE file, const std::string& text)
{
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
}

// Written beside and renamed over, so a reader never sees half a registry.
bool ReplaceText(const std::wstring& path, const std::string& text)
{
    std::wstring temporary = path + L".new";
    HANDLE file =
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteAll(file, text);
    CloseHandle(file);
    if (ok) ok = MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    if (!ok) DeleteFileW(temporary.c_str());
    return ok;
}

bool AppendText(const std::wstring& path, const std::string& text)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteAll(file, text);
    CloseHandle(file);
    return ok;
}

std::uint64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// One mutex per folder, whichever way a process spells it: the full path, upper-cased,
// without trailing separators, hashed into the name (a mutex name cannot hold '\').
std::wstring MutexName(const std::wstring& folder)
{
    std::wstring full(GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr) + 1, L'\0');
    DWORD length = GetFullPathNameW(folder.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    full.resize(length && length < full.size() ? length : 0);
    if (full.empty()) full = folder;
    std::replace(full.begin(), full.end(), L'/', L'\\');
    while (full.size() > 1 && full.back() == L'\\') full.pop_back();
    LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, full.data(), static_cast<int>(full.size()), full.data(),
                 static_cast<int>(full.size()));
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (wchar_t c : full) {
        hash ^= static_cast<std::uint16_t>(c);
        hash *= 1099511628211ull;
    }
    wchar_t name[64];
    swprintf(name, 64, L"Local\\TovrinDisplaySim-%016llx", static_cast<unsigned long long>(hash));
    return name;
}

} // namespace

std::wstring StateFolderFromEnvironment()
{
    DWORD size = GetEnvironmentVariableW(L"TOVRIN_DISPLAY_SIM", nullptr, 0);
    if (!size) return {};
    std::wstring value(size, L'\0');
    DWORD length = GetEnvironmentVariableW(L"TOVRIN_DISPLAY_SIM", value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

std::uint64_t FileTimeNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

std::uint64_t MillisecondsSince(std::uint64_t fileTime)
{
    std::uint64_t now = FileTimeNow();
    return now > fileTime ? (now - fileTime) / 10000 : 0;
}

class SimStore::Lock {
public:
    explicit Lock(SimStore& store) : store_(store)
    {
        DWORD wait = store.mutex_ ? WaitForSingleObject(store.mutex_, kLockWaitMs) : WAIT_FAILED;
        // An abandoned mutex is ours now; the files are written so that a holder that
        // died half-way leaves them readable.
        held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
        if (!held_) store.lastError_ = L"the simulator's state is locked by another process";
    }
    ~Lock()
    {
        if (held_) ReleaseMutex(store_.mutex_);
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    explicit operator bool() const { return held_; }

private:
    SimStore& store_;
    bool held_ = false;
};

SimStore::SimStore(std::wstring folder) : folder_(std::move(folder))
{
    mutex_ = CreateMutexW(nullptr, FALSE, MutexName(folder_).c_str());
}

SimStore::~SimStore()
{
    if (mutex_) CloseHandle(mutex_);
}

std::wstring SimStore::File(std::uint32_t index, const wchar_t* suffix) const
{
    std::wstring path = folder_;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    if (index != UINT32_MAX) path += std::to_wstring(index);
    return path + suffix;
}

bool SimStore::ReadRegistry(std::vector<SimInterface>& out)
{
    std::string text;
    ReadResult result = ReadText(File(UINT32_MAX, L"interfaces.txt"), text);
    if (result == ReadResult::Failed) {
        lastError_ = L"the simulator's registry cannot be read";
        return false;
    }
    out = ParseRegistry(text);
    return true;
}

bool SimStore::WriteRegistry(const std::vector<SimInterface>& interfaces)
{
    if (ReplaceText(File(UINT32_MAX, L"interfaces.txt"), FormatRegistry(interfaces))) return true;
    lastError_ = L"the simulator's registry cannot be written";
    return false;
}

bool SimStore::FindPlugged(std::uint32_t index, SimInterface& info)
{
    std::vector<SimInterface> interfaces;
    if (!ReadRegistry(interfaces)) return false;
    for (const SimInterface& candidate : interfaces) {
        if (candidate.index != index) continue;
        if (!candidate.plugged) break;
        info = candidate;
        return true;
    }
    lastError_ = L"the device is not connected";
    return false;
}

bool SimStore::Interfaces(std::vector<SimInterface>& out)
{
    Lock lock(*this);
    return lock && ReadRegistry(out);
}

bool SimStore::Plug(SimInterface& info)
{
    Lock lock(*this);
    std::vector<SimInterface> interfaces;
    if (!lock || !ReadRegistry(interfaces)) return false;
    info.index = NextIndex(interfaces);
    info.plugged = true;
    info.plugTime = FileTimeNow();
    // Logs of an earlier state folder's life must not show up under the new index.
    for (const wchar_t* suffix : {L".frames", L".frames.old", L".reads", L".reads.old", L".query"})
        DeleteFileW(File(info.index, suffix).c_str());
    interfaces.push_back(info);
    return WriteRegistry(interfaces);
}

int SimStore::Unplug(std::uint32_t index, SimInterface* unplugged)
{
    Lock lock(*this);
    std::vector<SimInterface> interfaces;
    if (!lock || !ReadRegistry(interfaces)) return -1;
    for (SimInterface& info : interfaces) {
        if (info.index != index || !info.plugged) continue;
        info.plugged = false;
        if (!WriteRegistry(interfaces)) return -1;
        if (unplugged) *unplugged = info;
        return 1;
    }
    lastError_ = L"no such plugged interface";
    return 0;
}

bool SimStore::AppendLog(const SimInterface& info, const wchar_t* suffix, const std::string& line)
{
    std::wstring path = File(info.index, suffix);
    if (FileSize(path) >= info.frameLogBytes)
        MoveFileExW(path.c_str(), (path + L".old").c_str(), MOVEFILE_REPLACE_EXISTING);
    return AppendText(path, line + "\n");
}

int SimStore::SendFeature(std::uint32_t index, const std::uint8_t* data, std::size_t length)
{
    if (!data || !length || length > kMaxReportBytes) {
        lastError_ = L"invalid report buffer";
        return -1;
    }
    Lock lock(*this);
    SimInterface info;
    if (!lock || !FindPlugged(index, info)) return -1;
    if (!AppendLog(info, L".frames", FormatFrameLine(MillisecondsSince(info.plugTime), data, length))) {
        lastError_ = L"the report log cannot be written";
        return -1;
    }
    // Which interface got each report, across interfaces: the order of the host's writes.
    std::wstring arrivals = File(UINT32_MAX, L"arrivals");
    if (FileSize(arrivals) >= kArrivalsLogBytes)
        MoveFileExW(arrivals.c_str(), (arrivals + L".old").c_str(), MOVEFILE_REPLACE_EXISTING);
    AppendText(arrivals, std::to_string(index) + "\n");
    std::wstring query = File(index, L".query");
    if (length >= 2 && data[0] == kReportId && data[1] == kVersionQuery)
        ReplaceText(query, "0");
    else
        DeleteFileW(query.c_str());
    return static_cast<int>(length);
}

int SimStore::GetFeature(std::uint32_t index, std::uint8_t* data, std::size_t length)
{
    if (!data || !length) {
        lastError_ = L"invalid report buffer";
        return -1;
    }
    Lock lock(*this);
    SimInterface info;
    if (!lock || !FindPlugged(index, info)) return -1;

    std::uint8_t reply[kReplyBytes] = {};
    int result = -1;
    std::string answered;
    std::wstring query = File(index, L".query");
    std::optional<std::uint32_t> readsSinceQuery;
    if (ReadText(query, answered) == ReadResult::Ok) readsSinceQuery = ParseNumber(answered, UINT32_MAX - 1);

    if (data[0] != kReportId) {
        lastError_ = L"the display has no such report";
    } else if (info.reply == ReplyMode::None) {
        lastError_ = L"the display did not answer";
    } else if (!readsSinceQuery) {
        lastError_ = L"the display has no answer prepared";
    } else {
        if (info.reply == ReplyMode::BadFirst && *readsSinceQuery == 0) {
            std::memcpy(reply, kBadReply, sizeof kBadReply);
        } else {
            reply[0] = kReportId;
            reply[1] = static_cast<std::uint8_t>(info.firmware >> 8);
            reply[2] = static_cast<std::uint8_t>(info.firmware & 0xFF);
        }
        ReplaceText(query, std::to_string(*readsSinceQuery + 1));
        result = static_cast<int>(std::min(length, kReplyBytes));
        std::memcpy(data, reply, result);
    }
    std::string line = std::to_string(MillisecondsSince(info.plugTime)) + " " + std::to_string(result);
    if (result > 0) line += " " + ToHex(data, result);
    AppendLog(info, L".reads", line);
    return result;
}

bool SimStore::ReadLog(std::uint32_t index, const wchar_t* suffix, std::size_t tailBytes, std::string& text)
{
    Lock lock(*this);
    std::vector<SimInterface> interfaces;
    if (!lock || !ReadRegistry(interfaces)) return false;
    if (std::none_of(interfaces.begin(), interfaces.end(), [&](const SimInterface& i) { return i.index == index; })) {
        lastError_ = L"no such interface";
        return false;
    }
    std::wstring path = File(index, suffix);
    std::string older, newer;
    ReadResult newerRead = ReadTail(path, tailBytes, newer);
    ReadResult olderRead = ReadResult::Missing;
    if (newer.size() < tailBytes) olderRead = ReadTail(path + L".old", tailBytes - newer.size(), older);
    if (newerRead == ReadResult::Failed || olderRead == ReadResult::Failed) {
        lastError_ = L"the log cannot be read";
        return false;
    }
    text = older + newer;
    // A tail that starts inside a line starts at the next whole one.
    if (text.size() >= tailBytes) {
        std::size_t lineStart = text.find('\n');
        text.erase(0, lineStart == std::string::npos ? text.size() : lineStart + 1);
    }
    return true;
}

bool SimStore::Arrivals(std::string& text)
{
    Lock lock(*this);
    if (!lock) return false;
    std::wstring path = File(UINT32_MAX, L"arrivals");
    std::string older, newer;
    if (ReadText(path + L".old", older) == ReadResult::Failed || ReadText(path, newer) == ReadResult::Failed) {
        lastError_ = L"the log cannot be read";
        return false;
    }
    text = older + newer;
    return true;
}

bool SimStore::Frames(std::uint32_t index, std::string& text) { return ReadLog(index, L".frames", kWholeLog, text); }

bool SimStore::Reads(std::uint32_t index, std::string& text) { return ReadLog(index, L".reads", kWholeLog, text); }

bool SimStore::RecentFrames(std::uint32_t index, std::size_t bytes, std::string& text)
{
    return ReadLog(index, L".frames", bytes, text);
}

} // namespace sim
