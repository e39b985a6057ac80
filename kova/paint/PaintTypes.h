#pragma once
// Enumerations of the host's painting interface. Both are 32 bits wide.

namespace KOVA {

// How the background image covers the client area.
enum enumBackMode : int {
    BACK_MODE_STRETCH = 0, // stretched over the whole client area
    BACK_MODE_FRAME = 1,   // nine-part frame; the mode value is the edge size
};

// Stored with a strip message; the strip looks the same for every level.
enum MsgLevel : int {
    MSG_LEVEL_INFO = 0,
    MSG_LEVEL_WARNING = 1,
    MSG_LEVEL_ERROR = 2,
};

} // namespace KOVA
