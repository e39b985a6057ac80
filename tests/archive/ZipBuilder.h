#pragma once
// Writes ZIP archives for tests with minizip's writer, so every archive a test reads
// is made by the test itself, including the odd ones (hostile names, foreign hosts,
// extra fields, wrong checksums, encryption).
#include <cstdint>
#include <string>

struct ZipItem {
    std::string name;          // stored bytes of the name
    std::string data;
    int method = 8;            // 0 stored, 8 deflated
    int host = 0;              // high byte of "version made by": 0 DOS, 3 Unix, 11 NTFS
    uint32_t externalAttributes = 0x20;
    uint32_t dosDateTime = 0x2B2F6C45; // 2001-09-15 13:34:10
    std::string localExtra;    // the local extra field, as stored
    const char* password = nullptr;
    bool wrongCrc = false;     // store the data raw with a checksum that does not match
    // When set: written as the entry's deflated bytes, unchecked, with data as the
    // content it claims to hold.
    std::string rawDeflated;
};

// Raw deflate of data, flushed to a byte boundary, so that more bytes can follow.
std::string DeflateFlushed(const std::string& data);

class ZipBuilder {
public:
    explicit ZipBuilder(const std::wstring& path);
    ~ZipBuilder();
    ZipBuilder(const ZipBuilder&) = delete;
    ZipBuilder& operator=(const ZipBuilder&) = delete;

    bool Add(const ZipItem& item);
    // Writes the central directory; true when every item was written.
    bool Close();

private:
    void* m_zip = nullptr;
    bool m_ok = true;
};

// DOS date and time in the layout of the archive (date high, time low).
uint32_t DosDateTimeOf(int year, int month, int day, int hour, int minute, int second);
// A "UT" extra block with the given flags and times.
std::string ExtendedTimestampBlock(uint8_t flags, const int32_t* times, int count);
// Any other extra block: tag and data size, filled with data bytes.
std::string OtherExtraBlock(uint16_t tag, uint16_t dataSize);
// Reads and writes whole files.
std::string ReadWholeFile(const std::wstring& path);
bool WriteWholeFile(const std::wstring& path, const std::string& data);
