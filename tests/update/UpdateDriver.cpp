// Stands in for the panel around the real worker, for tests that watch a whole update
// from outside: it owns the window the worker posts to, answers the first prompt with
// YES and every later one with NO, and writes what happened, one line each, to the
// record file named by its first argument. The further arguments are task codes to
// queue. A program that was started ends this process from the worker, exit code 0.
#include <windows.h>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "app/TovrinCore.h"
#include "update/UpdateChecks.h"

namespace {

std::mutex g_recordLock;
FILE* g_record = nullptr;

void Note(const char* format, ...)
{
    std::lock_guard<std::mutex> guard(g_recordLock);
    va_list args;
    va_start(args, format);
    std::vfprintf(g_record, format, args);
    va_end(args);
    std::fputc('\n', g_record);
    std::fflush(g_record);
}

std::string Utf8(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    return out;
}

class DriverCore : public TovrinCore {
protected:
    bool RunTask(int code) override
    {
        bool known = TovrinCore::RunTask(code);
        Note("task %d returned", code);
        return known;
    }
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2 || !(g_record = _wfopen(argv[1], L"ab"))) return 2;
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!window) return 2;

    DriverCore core;
    core.SetPanelWindow(window);
    Note("base %s", Utf8(core.Updates().SoftwareBaseUrl).c_str());
    core.StartWorker();
    for (int i = 2; i < argc; ++i) core.PostTask(_wtoi(argv[i]));

    int prompts = 0;
    SetTimer(nullptr, 0, 120000, nullptr); // never outlive a test that forgot us
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && !msg.hwnd) break;
        if (msg.message == WM_TRAYNOTIFY) {
            Note("progress %d", int(msg.lParam));
        } else if (msg.message == WM_UPDATERESULT) {
            OnUpdateResult(
                msg.wParam, msg.lParam, core.Updates(),
                [&](const std::wstring& text, const std::wstring& caption, int style) {
                    int answer = style == 4 && ++prompts > 1 ? 2 : 1;
                    Note("box %s | %s | %d -> %d", Utf8(caption).c_str(), Utf8(text).c_str(), style, answer);
                    return answer;
                },
                [&](int code) {
                    Note("queued %d", code);
                    core.PostTask(code);
                });
        }
        DispatchMessageW(&msg);
    }
    core.StopWorker();
    Note("timed out");
    return 3;
}
