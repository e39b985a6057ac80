#pragma once
// Version texts of the update server and how they compare. No platform dependencies.
#include <string>
#include <vector>

// Pieces between separators, empty ones kept; the text after the last separator is
// always the last piece (so "" gives one empty piece).
std::vector<std::wstring> SplitText(const std::wstring& text, const std::wstring& separator);

// Leading blanks, an optional sign, decimal digits; 0 when there are none.
int ParseLeadingInt(const std::wstring& text);

// -1 when a is greater, 0 when equal, 1 when b is greater, 2 when the two have a
// different number of dotted components.
int CompareVersions(std::wstring a, std::wstring b);

// A version file's text is usable when it holds 1 to 10 characters.
constexpr std::size_t kMaxVersionChars = 10;
bool IsUsableVersionText(const std::wstring& text);

// The firmware file holds a decimal number; the display reports a 16-bit version whose
// hexadecimal digits are read as a decimal number (0x0105 compares as 105). A negative
// device version (no display answered) is never older.
bool IsFirmwareNewer(const std::wstring& serverText, int deviceVersion);

// The progress value posted after a chunk: 10 + 90 * chunks read / expected chunks.
int DownloadProgressValue(unsigned chunksRead, unsigned expectedChunks);
