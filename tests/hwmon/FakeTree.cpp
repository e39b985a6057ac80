#include "FakeTree.h"

#include <windows.h>
#include <gtest/gtest.h>

void WriteTextFile(const std::wstring& root, const std::string& relative, const std::string& text)
{
    std::wstring path = root;
    for (char c : relative) {
        if (c == '/') {
            CreateDirectoryW(path.c_str(), nullptr);
            path += L'\\';
        } else {
            path += static_cast<wchar_t>(c);
        }
    }
    // Shared for reading: a running server may have the file open this moment.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << relative << " error " << GetLastError();
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, text.size()) << relative;
}

void MakeFakeTree(const std::wstring& root, const FakeFiles& files)
{
    for (const auto& [relative, text] : files) WriteTextFile(root, relative, text);
}
