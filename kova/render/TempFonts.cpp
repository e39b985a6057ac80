// PaintManager: private fonts. The framework's own TrueType resource is registered for
// the whole process when a host starts; other fonts go into private collections.
#include "host/PaintManager.h"

#include "core/Manager.h"
#include "core/ScopedWin.h"

namespace KOVA {

namespace {
const wchar_t kFontType[] = L"ttf";

// The bytes of a font resource of the framework module; they live as long as the module.
const void* FontResource(unsigned id, DWORD& size)
{
    HINSTANCE module = FrameworkModule();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), kFontType);
    if (!found) return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    size = SizeofResource(module, found);
    return loaded && size ? LockResource(loaded) : nullptr;
}
} // namespace

void PaintManager::AddGDITempFont(unsigned id)
{
    DWORD size = 0;
    const void* bytes = FontResource(id, size);
    if (!bytes) return;
    DWORD fonts = 0;
    HANDLE handle = AddFontMemResourceEx(const_cast<void*>(bytes), size, nullptr, &fonts);
    if (!handle) return;
    ScopedCritSec lock(&m_csTempFonts);
    m_memFonts.push_back(handle);
}

namespace {
// The first family of a filled collection, or null (and the collection deleted).
Gdiplus::FontFamily* FirstFamily(Gdiplus::PrivateFontCollection*& collection)
{
    int count = collection->GetFamilyCount();
    if (count < 1) {
        delete collection;
        collection = nullptr;
        return nullptr;
    }
    Gdiplus::FontFamily first;
    int found = 0;
    collection->GetFamilies(1, &first, &found);
    if (found < 1) {
        delete collection;
        collection = nullptr;
        return nullptr;
    }
    return first.Clone();
}
} // namespace

Gdiplus::FontFamily* PaintManager::AddTempFont(const wchar_t* name, const wchar_t* file)
{
    if (!name || !file) return nullptr;
    auto* collection = new Gdiplus::PrivateFontCollection;
    collection->AddFontFile(file);
    return KeepTempFont(name, collection);
}

Gdiplus::FontFamily* PaintManager::AddTempFont(const wchar_t* name, unsigned id)
{
    if (!name) return nullptr;
    DWORD size = 0;
    const void* bytes = FontResource(id, size);
    if (!bytes) return nullptr;
    auto* collection = new Gdiplus::PrivateFontCollection;
    collection->AddMemoryFont(bytes, static_cast<INT>(size));
    return KeepTempFont(name, collection);
}

Gdiplus::FontFamily* PaintManager::KeepTempFont(const wchar_t* name, Gdiplus::PrivateFontCollection* collection)
{
    Gdiplus::FontFamily* family = FirstFamily(collection);
    if (!family) return nullptr;
    ScopedCritSec lock(&m_csTempFonts);
    // The family refers to its collection, which therefore stays until ClearTempFont.
    m_fontCollections.push_back(collection);
    Gdiplus::FontFamily*& slot = m_tempFonts[CString(name)];
    delete slot;
    slot = family;
    return family;
}

Gdiplus::FontFamily* PaintManager::FindTempFont(const wchar_t*)
{
    // Every caller gets the framework font's family, whatever name it asks for.
    CString key = Manager::GetFontName();
    ScopedCritSec lock(&m_csTempFonts);
    auto it = m_tempFonts.find(key);
    if (it != m_tempFonts.end() && it->second) return it->second;
    auto* family = new Gdiplus::FontFamily(key.GetString());
    if (family->GetLastStatus() != Gdiplus::Ok) {
        delete family;
        return nullptr;
    }
    m_tempFonts[key] = family;
    return family;
}

void PaintManager::ClearTempFont()
{
    ScopedCritSec lock(&m_csTempFonts);
    // Families first: they refer to the collections.
    for (auto& [name, family] : m_tempFonts) delete family;
    m_tempFonts.clear();
    for (Gdiplus::PrivateFontCollection* collection : m_fontCollections) delete collection;
    m_fontCollections.clear();
    for (HANDLE handle : m_memFonts) RemoveFontMemResourceEx(handle);
    m_memFonts.clear();
}

} // namespace KOVA
