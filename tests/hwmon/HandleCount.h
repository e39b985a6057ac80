#pragma once
#include <windows.h>

// Kernel handles the process holds now, from the system's handle list (Wine answers
// 0 to GetProcessHandleCount); -1 when the list cannot be taken.
int CountProcessHandles(DWORD pid);
