#pragma once
// Counts of what a process holds, for leak tests. Under Wine GetGuiResources and
// GetProcessHandleCount answer 0, so these read the system's own tables instead.

// Kernel handles of this process (NtQuerySystemInformation's extended handle list).
int CountKernelHandles();

// GDI objects of this process (the GDI handle table the process environment block
// points to: 24-byte entries, in use when their type byte is non-zero).
int CountGdiObjects();
