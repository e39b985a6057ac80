#include "ZipBuilder.h"

#include <windows.h>
#include <zlib.h>

#include <minizip/zip.h>
#include <minizip/iowin32.h>

ZipBuilder::ZipBuilder(const std::wstring& path)
{
    zlib_filefunc64_def io;
    fill_win32_filefunc64W(&io);
    m_zip = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &io);
    m_ok = m_zip != nullptr;
}

ZipBuilder::~ZipBuilder() { Close(); }

bool ZipBuilder::Add(const ZipItem& item)
{
    if (!m_zip) return false;
    zip_fileinfo info = {};
    info.dosDate = item.dosDateTime;
    info.external_fa = item.externalAttributes;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(item.data.data()), uInt(item.data.size()));
    const bool raw = item.wrongCrc || !item.rawDeflated.empty();
    int method = item.wrongCrc ? 0 : item.method;
    int r = zipOpenNewFileInZip4_64(m_zip, item.name.c_str(), &info, item.localExtra.empty() ? nullptr : item.localExtra.data(),
                                    uInt(item.localExtra.size()), nullptr, 0, nullptr, method,
                                    method ? Z_DEFAULT_COMPRESSION : 0, raw ? 1 : 0, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY,
                                    item.password, crc, uLong(item.host) << 8 | 20, 0, 0);
    if (r != ZIP_OK) return m_ok = false;
    const std::string& bytes = item.rawDeflated.empty() ? item.data : item.rawDeflated;
    if (!bytes.empty() && zipWriteInFileInZip(m_zip, bytes.data(), unsigned(bytes.size())) != ZIP_OK) m_ok = false;
    r = raw ? zipCloseFileInZipRaw(m_zip, uLong(item.data.size()), item.wrongCrc ? crc ^ 0x5A5A5A5Au : crc)
            : zipCloseFileInZip(m_zip);
    if (r != ZIP_OK) m_ok = false;
    return m_ok;
}

bool ZipBuilder::Close()
{
    if (m_zip) {
        if (zipClose(m_zip, nullptr) != ZIP_OK) m_ok = false;
        m_zip = nullptr;
    }
    return m_ok;
}

std::string DeflateFlushed(const std::string& data)
{
    z_stream stream = {};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    std::string out(deflateBound(&stream, uLong(data.size())) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FULL_FLUSH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

uint32_t DosDateTimeOf(int year, int month, int day, int hour, int minute, int second)
{
    uint32_t date = uint32_t(year - 1980) << 9 | uint32_t(month) << 5 | uint32_t(day);
    uint32_t time = uint32_t(hour) << 11 | uint32_t(minute) << 5 | uint32_t(second / 2);
    return date << 16 | time;
}

namespace {
void PutLe16(std::string& s, uint16_t v)
{
    s.push_back(char(v & 0xFF));
    s.push_back(char(v >> 8));
}
} // namespace

std::string ExtendedTimestampBlock(uint8_t flags, const int32_t* times, int count)
{
    std::string block = "UT";
    PutLe16(block, uint16_t(1 + 4 * count));
    block.push_back(char(flags));
    for (int i = 0; i < count; ++i) {
        uint32_t t = uint32_t(times[i]);
        PutLe16(block, uint16_t(t & 0xFFFF));
        PutLe16(block, uint16_t(t >> 16));
    }
    return block;
}

std::string OtherExtraBlock(uint16_t tag, uint16_t dataSize)
{
    std::string block;
    PutLe16(block, tag);
    PutLe16(block, dataSize);
    block.append(dataSize, 'U'); // data that looks like a tag must not be taken for one
    return block;
}

std::string ReadWholeFile(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string data;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read) data.append(buffer, read);
    CloseHandle(file);
    return data;
}

bool WriteWholeFile(const std::wstring& path, const std::string& data)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = data.empty() || (WriteFile(file, data.data(), DWORD(data.size()), &written, nullptr) && written == data.size());
    CloseHandle(file);
    return ok;
}
