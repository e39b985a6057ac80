#pragma once
// One entry of a host's image cache: a loaded picture divided into equal parts side by
// side (the states of a button, the frames of an animation).
#include <gdiplus.h>
#include "core/CString.h"

namespace KOVA {

struct ImgResInfo {
    Gdiplus::Image* image = nullptr; // owned by the entry
    int partWidth = 0;               // image width / part count
    int partHeight = 0;              // image height
    int partCount = 0;
    CString name;                    // file entries: the name as asked; empty for resources
    unsigned resourceId = 0;         // resource entries: the id; 0 for files
};

} // namespace KOVA
