#pragma once
// Where a dialog puts its message strip when the caller gives no rectangle: 200 x 58
// pixels at the bottom centre of the client area, moved down by offset.
#include "core/Geometry.h"
#include "core/KovaApi.h"

namespace KOVA {

KOVA_API CRect MessageStripRect(const CRect& client, int offset);

} // namespace KOVA
