#pragma once
// Internal to the framework (not exported): where image file names are resolved.
#include "CString.h"

namespace KOVA {

// The host executable's folder, then skins\, then the theme folder, with a trailing
// backslash: C:\App\Tovrin.exe gives C:\App\skins\theme1\ .
CString GetSkinPath();

} // namespace KOVA
