#pragma once
// The pure rules of package extraction: where an entry may go, which attributes and
// times it gets. No platform dependencies, so the same code is built natively for the
// sanitizers and the fuzzer.
#include <cstddef>
#include <cstdint>
#include <string>

// Windows file attributes as the extraction applies them.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;

// Names and output paths are held in buffers of this many characters, terminator
// included; anything that does not fit is refused rather than cut.
constexpr std::size_t kZipPathChars = 260;

// Strips drive prefixes, leading separators and everything up to an inner parent
// step, repeatedly, until none of these rules applies any more.
std::wstring CleanEntryName(std::wstring name);

// True when a cleaned name stays below the package folder: it has no ".." component
// left (a leading "../" survives the cleaning and would point outside).
bool IsContainedEntryName(const std::wstring& cleaned);

// Splits after the last slash or backslash: folder part (with that separator, possibly
// empty) and file part.
void SplitEntryName(const std::wstring& name, std::wstring* folder, std::wstring* file);

// Windows attributes from the "version made by" field and the external attributes:
// DOS bits for hosts 0, 7, 11 and 14, the Unix mode in the high half otherwise.
uint32_t EntryAttributes(uint16_t versionMadeBy, uint32_t externalAttributes);

struct DosDateTime {
    int year, month, day, hour, minute, second;
};
// dosDateTime: the date in the high 16 bits, the time in the low 16 bits.
DosDateTime DecodeDosDateTime(uint32_t dosDateTime);

// 100-nanosecond ticks since 1601 for a Unix time.
int64_t UnixTimeToFileTicks(int32_t unixTime);

struct ExtendedTimes {
    bool hasModified = false, hasAccessed = false, hasCreated = false;
    int64_t modified = 0, accessed = 0, created = 0; // file ticks
};
// Finds the first extended-timestamp ("UT") block of a local extra field and reads the
// times its flags announce, only as far as they lie inside the block and the field.
ExtendedTimes ScanExtendedTimestamp(const uint8_t* extra, std::size_t length);
