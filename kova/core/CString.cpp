#include "CString.h"

#include <windows.h>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <new>

namespace KOVA {

// The characters follow the block header in one allocation. The shared empty block is
// never freed, so an empty string costs no allocation.
struct CStringBlock {
    std::atomic<long> refs;
    int length;
    int capacity;
    wchar_t* chars() { return reinterpret_cast<wchar_t*>(this + 1); }
};

namespace {
struct EmptyStorage {
    CStringBlock* header() { return reinterpret_cast<CStringBlock*>(raw); }
    alignas(CStringBlock) unsigned char raw[sizeof(CStringBlock) + sizeof(wchar_t)] = {};
};
EmptyStorage g_empty;

CStringBlock* EmptyBlock() { return g_empty.header(); }

CStringBlock* NewBlock(int capacity)
{
    void* p = std::malloc(sizeof(CStringBlock) + (size_t(capacity) + 1) * sizeof(wchar_t));
    if (!p) throw std::bad_alloc();
    auto* b = new (p) CStringBlock;
    b->refs.store(1, std::memory_order_relaxed);
    b->length = 0;
    b->capacity = capacity;
    b->chars()[0] = 0;
    return b;
}
} // namespace

CStringBlock* CString::block() const { return reinterpret_cast<CStringBlock*>(m_data) - 1; }

CString::CString() : m_data(EmptyBlock()->chars()) {}
CString::CString(const wchar_t* text) : CString() { Assign(text, text ? int(wcslen(text)) : 0); }
CString::CString(const wchar_t* text, int length) : CString() { Assign(text, text && length > 0 ? length : 0); }
CString::CString(wchar_t ch, int repeat) : CString()
{
    if (repeat <= 0) return;
    MakeUnique(repeat);
    for (int i = 0; i < repeat; ++i) m_data[i] = ch;
    m_data[repeat] = 0;
    block()->length = repeat;
}

CString::CString(const CString& other) : m_data(other.m_data)
{
    if (block() != EmptyBlock()) block()->refs.fetch_add(1, std::memory_order_relaxed);
}

CString::CString(CString&& other) noexcept : m_data(other.m_data) { other.m_data = EmptyBlock()->chars(); }

CString::~CString() { Release(); }

void CString::Release()
{
    CStringBlock* b = block();
    if (b != EmptyBlock() && b->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        b->~CStringBlock();
        std::free(b);
    }
    m_data = EmptyBlock()->chars();
}

CString& CString::operator=(const CString& other)
{
    if (m_data != other.m_data) {
        CString copy(other);
        std::swap(m_data, copy.m_data);
    }
    return *this;
}

CString& CString::operator=(CString&& other) noexcept
{
    std::swap(m_data, other.m_data);
    return *this;
}

CString& CString::operator=(const wchar_t* text)
{
    Assign(text, text ? int(wcslen(text)) : 0);
    return *this;
}

void CString::Assign(const wchar_t* text, int length)
{
    if (length <= 0) { Release(); return; }
    // text may point into our own buffer: build the new one before releasing.
    CStringBlock* b = NewBlock(length);
    std::memcpy(b->chars(), text, size_t(length) * sizeof(wchar_t));
    b->chars()[length] = 0;
    b->length = length;
    Release();
    m_data = b->chars();
}

// Gives this string its own buffer with room for capacity characters, keeping the text.
void CString::MakeUnique(int capacity)
{
    CStringBlock* b = block();
    if (capacity < b->length) capacity = b->length;
    if (b != EmptyBlock() && b->refs.load(std::memory_order_acquire) == 1 && b->capacity >= capacity) return;
    int grown = capacity;
    if (b != EmptyBlock() && b->refs.load(std::memory_order_acquire) == 1 && capacity < b->capacity * 2)
        grown = b->capacity * 2; // amortised growth for appends
    CStringBlock* nb = NewBlock(grown);
    std::memcpy(nb->chars(), b->chars(), (size_t(b->length) + 1) * sizeof(wchar_t));
    nb->length = b->length;
    Release();
    m_data = nb->chars();
}

int CString::GetLength() const { return block()->length; }
void CString::Empty() { Release(); }

wchar_t CString::GetAt(int index) const
{
    return index >= 0 && index < GetLength() ? m_data[index] : 0;
}

void CString::SetAt(int index, wchar_t ch)
{
    if (index < 0 || index >= GetLength() || ch == 0) return;
    MakeUnique(GetLength());
    m_data[index] = ch;
}

void CString::Append(const wchar_t* text, int length)
{
    if (!text || length <= 0) return;
    int old = GetLength();
    if (text >= m_data && text <= m_data + old) { // appending a part of ourselves
        CString copy(text, length);
        Append(copy.m_data, length);
        return;
    }
    MakeUnique(old + length);
    std::memcpy(m_data + old, text, size_t(length) * sizeof(wchar_t));
    m_data[old + length] = 0;
    block()->length = old + length;
}

CString& CString::operator+=(const CString& text)
{
    CString keep(text); // text may be *this
    Append(keep.m_data, keep.GetLength());
    return *this;
}
CString& CString::operator+=(const wchar_t* text)
{
    if (text) Append(text, int(wcslen(text)));
    return *this;
}
CString& CString::operator+=(wchar_t ch)
{
    if (ch) Append(&ch, 1);
    return *this;
}

int CString::Compare(const wchar_t* text) const { return wcscmp(m_data, text ? text : L""); }
int CString::CompareNoCase(const wchar_t* text) const { return _wcsicmp(m_data, text ? text : L""); }

void CString::Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::AppendFormat(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    AppendFormatV(format, args);
    va_end(args);
}

void CString::FormatV(const wchar_t* format, va_list args)
{
    Empty();
    AppendFormatV(format, args);
}

void CString::AppendFormatV(const wchar_t* format, va_list args)
{
    if (!format) return;
    va_list count;
    va_copy(count, args);
    // The msvcrt functions, not the C99 ones: %s means a wide string here.
    int needed = _vscwprintf(format, count);
    va_end(count);
    if (needed <= 0) return;
    int old = GetLength();
    MakeUnique(old + needed);
    _vsnwprintf(m_data + old, size_t(needed) + 1, format, args);
    m_data[old + needed] = 0;
    block()->length = old + needed;
}

int CString::Find(const wchar_t* sub, int start) const
{
    if (!sub || start < 0 || start > GetLength()) return -1;
    const wchar_t* hit = wcsstr(m_data + start, sub);
    return hit ? int(hit - m_data) : -1;
}

int CString::Find(wchar_t ch, int start) const
{
    if (start < 0 || start >= GetLength()) return -1;
    const wchar_t* hit = wcschr(m_data + start, ch);
    return hit ? int(hit - m_data) : -1;
}

int CString::ReverseFind(wchar_t ch) const
{
    const wchar_t* hit = wcsrchr(m_data, ch);
    return hit ? int(hit - m_data) : -1;
}

CString CString::Left(int count) const
{
    if (count <= 0) return CString();
    if (count >= GetLength()) return *this;
    return CString(m_data, count);
}

CString CString::Mid(int first, int count) const
{
    int len = GetLength();
    if (first < 0) first = 0;
    if (first >= len) return CString();
    if (count < 0 || count > len - first) count = len - first;
    if (first == 0 && count == len) return *this;
    return CString(m_data + first, count);
}

CString CString::Right(int count) const
{
    int len = GetLength();
    if (count <= 0) return CString();
    if (count >= len) return *this;
    return CString(m_data + len - count, count);
}

int CString::Replace(const wchar_t* from, const wchar_t* to)
{
    if (!from || !*from) return 0;
    if (!to) to = L"";
    int fromLen = int(wcslen(from)), toLen = int(wcslen(to)), n = 0;
    CString result;
    const wchar_t* p = m_data;
    for (const wchar_t* hit; (hit = wcsstr(p, from)) != nullptr; p = hit + fromLen, ++n) {
        result.Append(p, int(hit - p));
        result.Append(to, toLen);
    }
    if (n) {
        result += p;
        *this = std::move(result);
    }
    return n;
}

CString& CString::MakeUpper()
{
    if (!IsEmpty()) { MakeUnique(GetLength()); CharUpperBuffW(m_data, DWORD(GetLength())); }
    return *this;
}

CString& CString::MakeLower()
{
    if (!IsEmpty()) { MakeUnique(GetLength()); CharLowerBuffW(m_data, DWORD(GetLength())); }
    return *this;
}

CString& CString::Trim()
{
    int len = GetLength(), first = 0, last = len;
    while (first < len && iswspace(m_data[first])) ++first;
    while (last > first && iswspace(m_data[last - 1])) --last;
    if (first > 0 || last < len) *this = Mid(first, last - first);
    return *this;
}

wchar_t* CString::GetBuffer(int minLength)
{
    MakeUnique(minLength > 0 ? minLength : GetLength());
    return m_data;
}

void CString::ReleaseBuffer(int newLength)
{
    CStringBlock* b = block();
    if (b == EmptyBlock()) return;
    if (newLength < 0) newLength = int(wcsnlen(m_data, size_t(b->capacity)));
    if (newLength > b->capacity) newLength = b->capacity;
    m_data[newLength] = 0;
    b->length = newLength;
}

CString operator+(const CString& a, const CString& b) { CString r(a); r += b; return r; }
CString operator+(const CString& a, const wchar_t* b) { CString r(a); r += b; return r; }
CString operator+(const wchar_t* a, const CString& b) { CString r(a); r += b; return r; }

} // namespace KOVA
