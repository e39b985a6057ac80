#include "SharedRecord.h"

bool MapSharedRecord(HANDLE* mapping, const void** view, bool* createdNew)
{
    HANDLE handle = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSharedRecordBytes,
                                       kSharedRecordName);
    if (!handle) return false;
    if (createdNew) *createdNew = GetLastError() == 0;
    const void* mapped = MapViewOfFile(handle, FILE_MAP_READ, 0, 0, kSharedRecordBytes);
    if (!mapped) {
        CloseHandle(handle); // the next attempt opens it again; don't pile up handles
        return false;
    }
    *mapping = handle;
    *view = mapped;
    return true;
}
