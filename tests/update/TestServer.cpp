#include "TestServer.h"

#include <wincrypt.h>
#include <fstream>
#include <sstream>

#include "update/HttpTransfer.h"
#include "update/UpdateChecks.h"

#ifndef TOVRIN_UPDATE_SERVER_STATE
#error "TOVRIN_UPDATE_SERVER_STATE names the fixture's state folder"
#endif

namespace {

std::wstring StatePath(const std::wstring& relative)
{
    std::wstring path = std::wstring(TOVRIN_UPDATE_SERVER_STATE) + L"/" + relative;
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

std::string ReadText(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

} // namespace

std::wstring TestServerBaseUrl()
{
    std::string port = ReadText(StatePath(L"port"));
    while (!port.empty() && (port.back() == '\n' || port.back() == '\r')) port.pop_back();
    return port.empty() ? std::wstring() : L"https://127.0.0.1:" + Widen(port);
}

bool PutServerFile(const std::string& relative, const std::string& bytes)
{
    std::wstring path = StatePath(L"www/" + Widen(relative));
    for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

void RemoveServerFile(const std::string& relative) { DeleteFileW(StatePath(L"www/" + Widen(relative)).c_str()); }

std::vector<std::string> ServerRequests()
{
    std::vector<std::string> lines;
    std::istringstream log(ReadText(StatePath(L"requests.log")));
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    return lines;
}

bool TrustTestCertificate()
{
    std::string der = ReadText(StatePath(L"../update-ca/ca.der"));
    if (der.empty()) return false;
    HCERTSTORE root = CertOpenSystemStoreW(0, L"ROOT");
    if (!root) return false;
    BOOL added = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                  DWORD(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(root, 0);
    return added != FALSE;
}

PostTarget::PostTarget()
{
    m_window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
}

PostTarget::~PostTarget()
{
    if (m_window) DestroyWindow(m_window);
}

std::vector<PostTarget::Posted> PostTarget::Take()
{
    std::vector<Posted> posted;
    MSG msg;
    while (PeekMessageW(&msg, m_window, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_TRAYNOTIFY || msg.message == WM_UPDATERESULT)
            posted.push_back({msg.message, msg.wParam, msg.lParam});
    }
    return posted;
}
