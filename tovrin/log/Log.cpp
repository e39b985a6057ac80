#include "Log.h"

#include <windows.h>
#include <cstring>
#include <mutex>
#include <string>

#include "../app/Folders.h"

namespace {

// One open file shared by both threads; the lock makes every line land whole.
class LogFile {
public:
    void Write(const char* line, std::size_t length)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!Open()) return;
        if (m_size + length + 2 > kLogFileCap) Rotate();
        if (m_file == INVALID_HANDLE_VALUE) return;
        char buffer[kLogLineBytes + 2];
        std::memcpy(buffer, line, length);
        buffer[length] = '\r';
        buffer[length + 1] = '\n';
        DWORD written = 0;
        LARGE_INTEGER end = {};
        SetFilePointerEx(m_file, end, nullptr, FILE_END);
        if (WriteFile(m_file, buffer, DWORD(length + 2), &written, nullptr)) m_size += written;
    }

    const wchar_t* Path()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ResolvePath();
        return m_path.c_str();
    }

private:
    void ResolvePath()
    {
        if (!m_path.empty()) return;
        std::wstring folder = GetWorkFolder();
        if (folder.empty()) return;
        CreateDirectoryW(folder.c_str(), nullptr);
        m_path = folder + L"Tovrin.log";
    }

    bool Open()
    {
        if (m_file != INVALID_HANDLE_VALUE) return true;
        if (m_failed) return false;
        ResolvePath();
        if (m_path.empty()) { m_failed = true; return false; }
        // Write access (not only appending) so that a full log can be cut back. The folder
        // belongs to the user while we run elevated: a link planted in the log's place is
        // not followed.
        m_file = CreateFileW(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        BY_HANDLE_FILE_INFORMATION info = {};
        if (m_file != INVALID_HANDLE_VALUE &&
            (!GetFileInformationByHandle(m_file, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))) {
            CloseHandle(m_file);
            m_file = INVALID_HANDLE_VALUE;
        }
        if (m_file == INVALID_HANDLE_VALUE) {
            m_failed = true; // a log that cannot be written must not cost a retry per line
            return false;
        }
        LARGE_INTEGER size = {};
        GetFileSizeEx(m_file, &size);
        m_size = static_cast<unsigned long long>(size.QuadPart);
        return true;
    }

    void Rotate()
    {
        CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
        std::wstring old = m_path + L".1";
        MoveFileExW(m_path.c_str(), old.c_str(), MOVEFILE_REPLACE_EXISTING);
        Open();
        if (m_file != INVALID_HANDLE_VALUE && m_size + kLogLineBytes > kLogFileCap) {
            // Renaming failed (the file is held elsewhere): start it over instead of growing,
            // and give up on the log when even that fails.
            LARGE_INTEGER start = {};
            if (SetFilePointerEx(m_file, start, nullptr, FILE_BEGIN) && SetEndOfFile(m_file)) {
                m_size = 0;
            } else {
                CloseHandle(m_file);
                m_file = INVALID_HANDLE_VALUE;
                m_failed = true;
            }
        }
    }

    std::mutex m_lock;
    std::wstring m_path;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    unsigned long long m_size = 0;
    bool m_failed = false;
};

LogFile& TheLog()
{
    static LogFile* log = new LogFile; // never destroyed: the worker may log during exit
    return *log;
}

} // namespace

void LogWrite(int level, const char* format, ...)
{
    if (level < LogThreshold) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    LogTime time = {now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
    char line[kLogLineBytes];
    va_list args;
    va_start(args, format);
    std::size_t length = FormatLogLine(line, time, level, format, args);
    va_end(args);
    TheLog().Write(line, length);
}

const wchar_t* LogFilePath() { return TheLog().Path(); }
