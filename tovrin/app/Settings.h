#pragma once
// Tovrin's three settings: decimal numbers stored as text under HKCU\SOFTWARE\ZEL.
// Every failure is silent: a read that finds nothing yields 0, a lost write is retried
// by the next change.

// The value's text read as a number (leading digits count; anything else is 0). The
// first read on a clean profile creates the key.
int ReadSetting(const wchar_t* name);

// Stores text under name; the key is not created here.
void WriteSetting(const wchar_t* name, const wchar_t* value);
