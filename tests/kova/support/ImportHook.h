#pragma once
// Replaces functions a loaded module imports (its import address table), so a test or a
// benchmark can watch what the framework hands to the system without changing it.
#include <windows.h>
#include <functional>

// Calls visit(name, slot) for every function that module imports by name from dll.
void ForEachImport(HMODULE module, const char* dll, const std::function<void(const char* name, void** slot)>& visit);

// Writes value into an import slot (the page is made writable for the write).
void WriteImportSlot(void** slot, void* value);

// One replaced import for the lifetime of the object.
class ImportHook {
public:
    ImportHook(HMODULE module, const char* dll, const char* function, void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;
    bool Installed() const { return m_slot != nullptr; }
    void* Original() const { return m_original; }

private:
    void** m_slot = nullptr;
    void* m_original = nullptr;
};
