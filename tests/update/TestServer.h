#pragma once
// The local HTTPS update server that the ctest fixture runs for these tests, and the
// test CA that only this Wine prefix trusts.
#include <windows.h>
#include <string>
#include <vector>

// "https://127.0.0.1:PORT", without a trailing slash; empty when no server runs.
std::wstring TestServerBaseUrl();
// Writes a file below the served folder ("display-580/580R/software/version").
bool PutServerFile(const std::string& relative, const std::string& bytes);
void RemoveServerFile(const std::string& relative);
// Request lines the server logged so far ("GET /path status").
std::vector<std::string> ServerRequests();
// Adds the test CA to the prefix's Root store; true when it is there.
bool TrustTestCertificate();

// A message-only window that collects what the worker posts.
class PostTarget {
public:
    PostTarget();
    ~PostTarget();
    PostTarget(const PostTarget&) = delete;
    PostTarget& operator=(const PostTarget&) = delete;
    HWND Window() const { return m_window; }

    struct Posted {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        bool operator==(const Posted& o) const { return message == o.message && wParam == o.wParam && lParam == o.lParam; }
    };
    // Everything posted so far, removed from the queue.
    std::vector<Posted> Take();

private:
    HWND m_window = nullptr;
};
