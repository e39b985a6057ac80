#include "ImportHook.h"

#include <cstring>

void ForEachImport(HMODULE module, const char* dll, const std::function<void(const char* name, void** slot)>& visit)
{
    auto* base = reinterpret_cast<unsigned char*>(module);
    if (!base) return;
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return;
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); desc->Name; ++desc) {
        if (_stricmp(reinterpret_cast<const char*>(base + desc->Name), dll) != 0) continue;
        DWORD names = desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA64*>(base + names);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA64*>(base + desc->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (name->u1.Ordinal & IMAGE_ORDINAL_FLAG64) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            visit(reinterpret_cast<const char*>(byName->Name), reinterpret_cast<void**>(&slot->u1.Function));
        }
    }
}

void WriteImportSlot(void** slot, void* value)
{
    DWORD old = 0;
    VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof(void*), old, &old);
}

ImportHook::ImportHook(HMODULE module, const char* dll, const char* function, void* replacement)
{
    ForEachImport(module, dll, [&](const char* name, void** slot) {
        if (m_slot || strcmp(name, function) != 0) return;
        m_slot = slot;
        m_original = *slot;
        WriteImportSlot(slot, replacement);
    });
}

ImportHook::~ImportHook()
{
    if (m_slot) WriteImportSlot(m_slot, m_original);
}
