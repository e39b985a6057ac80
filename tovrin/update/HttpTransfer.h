#pragma once
// HTTP GET of the update server's files through WinINet: a version text into memory,
// a package onto disk with progress posts.
#include <windows.h>
#include <atomic>
#include <string>

#ifndef WM_TRAYNOTIFY
#define WM_TRAYNOTIFY 1690 // also carries the download progress (wParam 0, lParam 0..100)
#endif

class HttpTransfer {
public:
    // Result codes of both transfers.
    static constexpr int kDone = 1;
    static constexpr int kNoConnection = 0; // InternetOpenA failed
    static constexpr int kFailed = -1;      // URL not opened, status other than 200, read or file error
    static constexpr int kStopped = -2;     // running was cleared during the transfer

    // Bodies larger than this are no version text and are refused.
    static constexpr std::size_t kMaxTextBytes = 1 << 20;
    static constexpr DWORD kChunkBytes = 10240;

    // Set at the start of each transfer; clearing it (Stop) ends the transfer after the
    // current chunk.
    std::atomic<unsigned char> running{0};
    int lastProgress = 0;

    void Stop() { running = 0; }

    // text is assigned only for kDone and kStopped.
    int FetchText(const std::wstring& url, std::wstring& text);
    // The file exists afterwards only when the result is kDone: a failed or stopped
    // transfer removes what it wrote.
    int DownloadToFile(const std::wstring& url, const std::wstring& path, HWND notifyWindow);

private:
    void PostProgress(HWND notifyWindow, int value);
};
