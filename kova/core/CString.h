#pragma once
// Reference-counted UTF-16 string of the framework's interface. Copies share one
// buffer until one of them is changed (copy on write); the count is atomic, so copies
// may live on different threads.
#include <cstdarg>
#include <cwchar>
#include "KovaApi.h"

namespace KOVA {

struct CStringBlock; // header of a shared buffer; internal to the library

class KOVA_API CString {
public:
    CString();
    CString(const wchar_t* text);
    CString(const wchar_t* text, int length);
    CString(wchar_t ch, int repeat = 1);
    CString(const CString& other);
    CString(CString&& other) noexcept;
    ~CString();

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const wchar_t* text);

    int GetLength() const;
    bool IsEmpty() const { return GetLength() == 0; }
    void Empty();
    const wchar_t* GetString() const { return m_data; }
    operator const wchar_t*() const { return m_data; }
    wchar_t GetAt(int index) const;
    wchar_t operator[](int index) const { return GetAt(index); }
    void SetAt(int index, wchar_t ch);

    CString& operator+=(const CString& text);
    CString& operator+=(const wchar_t* text);
    CString& operator+=(wchar_t ch);
    void Append(const wchar_t* text, int length);

    int Compare(const wchar_t* text) const;
    int CompareNoCase(const wchar_t* text) const;
    bool operator==(const wchar_t* text) const { return Compare(text) == 0; }
    bool operator!=(const wchar_t* text) const { return Compare(text) != 0; }
    bool operator==(const CString& text) const { return Compare(text.m_data) == 0; }
    bool operator!=(const CString& text) const { return Compare(text.m_data) != 0; }
    bool operator<(const CString& text) const { return Compare(text.m_data) < 0; }

    // printf-style formatting with the Windows conventions: %s takes a wide string.
    void Format(const wchar_t* format, ...);
    void AppendFormat(const wchar_t* format, ...);
    void FormatV(const wchar_t* format, va_list args);
    void AppendFormatV(const wchar_t* format, va_list args);

    int Find(const wchar_t* sub, int start = 0) const;
    int Find(wchar_t ch, int start = 0) const;
    int ReverseFind(wchar_t ch) const;
    CString Left(int count) const;
    CString Mid(int first, int count = -1) const;
    CString Right(int count) const;
    int Replace(const wchar_t* from, const wchar_t* to);
    CString& MakeUpper();
    CString& MakeLower();
    CString& Trim();

    // Direct access for Win32 calls that fill a buffer: GetBuffer gives room for at
    // least minLength characters plus the terminator; ReleaseBuffer(-1) takes the length
    // from the terminator.
    wchar_t* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

private:
    CStringBlock* block() const;
    void Assign(const wchar_t* text, int length);
    void MakeUnique(int capacity);
    void Release();

    wchar_t* m_data;
};

KOVA_API CString operator+(const CString& a, const CString& b);
KOVA_API CString operator+(const CString& a, const wchar_t* b);
KOVA_API CString operator+(const wchar_t* a, const CString& b);

} // namespace KOVA
