#include "HttpTransfer.h"

#include <shlwapi.h>
#include <wininet.h>
#include <memory>
#include <string>

#include "../log/Log.h"
#include "Versions.h"

namespace {

constexpr char kAgent[] = "IIC2.0/PC 5.5.0000";
constexpr char kHeaders[] = "Accept: */*\r\n\r\n";
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;

struct InternetHandle {
    HINTERNET h = nullptr;
    InternetHandle() = default;
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle() { Close(); }
    void Close()
    {
        if (h) InternetCloseHandle(h);
        h = nullptr;
    }
};

std::string ToUtf8(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// Decodes up to the first zero byte.
std::wstring FromUtf8(const std::string& bytes)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, bytes.c_str(), -1, nullptr, 0);
    if (n <= 1) return {};
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.c_str(), -1, out.data(), n);
    out.resize(n - 1);
    return out;
}

// Opens the connection; kNoConnection on failure.
int OpenConnection(InternetHandle& connection)
{
    DWORD state = 0;
    InternetGetConnectedState(&state, 0);
    char agent[64] = {};
    lstrcpynA(agent, kAgent, sizeof(agent));
    DWORD access = (state & INTERNET_CONNECTION_PROXY) ? INTERNET_OPEN_TYPE_PRECONFIG
                                                       : INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY;
    connection.h = InternetOpenA(agent, access, nullptr, nullptr, 0);
    return connection.h ? HttpTransfer::kDone : HttpTransfer::kNoConnection;
}

// Opens the request and accepts only a final status of 200: an error page is never
// taken for a version text or a package.
int OpenRequest(HINTERNET connection, const std::wstring& url, InternetHandle& request)
{
    std::string utf8 = ToUtf8(url);
    request.h = InternetOpenUrlA(connection, utf8.c_str(), kHeaders, DWORD(lstrlenA(kHeaders)), kRequestFlags, 0);
    if (!request.h) {
        LogWrite(LogWarn, "update: cannot open %s (error %lu)", utf8.c_str(), GetLastError());
        return HttpTransfer::kFailed;
    }
    DWORD status = 0, size = sizeof(status);
    if (!HttpQueryInfoW(request.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
        status != 200) {
        LogWrite(LogWarn, "update: %s answered status %lu", utf8.c_str(), status);
        request.Close();
        return HttpTransfer::kFailed;
    }
    return HttpTransfer::kDone;
}

} // namespace

int HttpTransfer::FetchText(const std::wstring& url, std::wstring& text)
{
    running = 1;
    InternetHandle connection, request;
    int result = OpenConnection(connection);
    if (result != kDone) return result;
    result = OpenRequest(connection.h, url, request);
    if (result != kDone) return result;

    std::string body;
    std::unique_ptr<char[]> buffer(new char[kChunkBytes]);
    for (;;) {
        ZeroMemory(buffer.get(), kChunkBytes);
        DWORD read = 0;
        if (!InternetReadFile(request.h, buffer.get(), kChunkBytes, &read)) return kFailed;
        if (read == 0) break;
        body.append(buffer.get(), read);
        if (body.size() > kMaxTextBytes) return kFailed;
        if (!running) break;
    }
    text = FromUtf8(body);
    return running ? kDone : kStopped;
}

void HttpTransfer::PostProgress(HWND notifyWindow, int value)
{
    if (!notifyWindow || value == lastProgress) return;
    lastProgress = value;
    PostMessageW(notifyWindow, WM_TRAYNOTIFY, 0, value);
}

int HttpTransfer::DownloadToFile(const std::wstring& url, const std::wstring& path, HWND notifyWindow)
{
    running = 1;
    PostProgress(notifyWindow, 0);
    InternetHandle connection, request;
    int result = OpenConnection(connection);
    if (result != kDone) return result;
    PostProgress(notifyWindow, 2);
    result = OpenRequest(connection.h, url, request);
    if (result != kDone) return result;
    PostProgress(notifyWindow, 8);

    if (PathFileExistsW(path.c_str())) DeleteFileW(path.c_str());
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return kFailed;

    DWORD length = 0, size = sizeof(length);
    if (!HttpQueryInfoW(request.h, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr))
        length = 0;
    const unsigned chunks = length / kChunkBytes;
    PostProgress(notifyWindow, 10);

    std::unique_ptr<char[]> buffer(new char[kChunkBytes]);
    unsigned chunksRead = 0;
    result = kDone;
    for (;;) {
        ZeroMemory(buffer.get(), kChunkBytes);
        DWORD read = 0;
        if (!InternetReadFile(request.h, buffer.get(), kChunkBytes, &read)) {
            result = kFailed;
            break;
        }
        if (read == 0) break;
        DWORD written = 0;
        if (!WriteFile(file, buffer.get(), read, &written, nullptr) || written != read) {
            result = kFailed; // a package with a hole is no package
            break;
        }
        ++chunksRead;
        if (chunks) {
            int value = DownloadProgressValue(chunksRead, chunks);
            PostProgress(notifyWindow, value > 100 ? 100 : value);
        }
        if (!running) {
            result = kStopped;
            break;
        }
    }
    CloseHandle(file);
    request.Close();
    connection.Close();
    if (result != kDone) {
        DeleteFileW(path.c_str());
        return result;
    }
    PostProgress(notifyWindow, 100);
    return kDone;
}
