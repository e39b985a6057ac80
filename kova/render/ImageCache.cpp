// PaintManager: the image cache. Each image is decoded once per host and shared by every
// control that names it; the first request decides how it is divided into parts.
#include "host/PaintManager.h"

#include "MRender.h"
#include "core/Manager.h"
#include "core/ScopedWin.h"
#include "core/SkinPath.h"

namespace KOVA {

namespace {
ImgResInfo* MakeEntry(Gdiplus::Image* image, int count)
{
    auto* entry = new ImgResInfo;
    // A count below one would divide by zero; such a request means "one part".
    entry->partCount = count;
    entry->image = image;
    entry->partHeight = static_cast<int>(image->GetHeight());
    entry->partWidth = static_cast<int>(image->GetWidth()) / (count > 0 ? count : 1);
    return entry;
}

void DeleteEntry(ImgResInfo* entry)
{
    if (!entry) return;
    delete entry->image;
    delete entry;
}

// Stores entry under key, in place of an entry that lost its image.
template <class Map, class Key>
ImgResInfo* Store(Map& map, const Key& key, ImgResInfo* entry)
{
    ImgResInfo*& slot = map[key];
    DeleteEntry(slot);
    slot = entry;
    return entry;
}
} // namespace

ImgResInfo* PaintManager::AddImgResInfo(const wchar_t* name, int count)
{
    if (!name) return nullptr;
    ScopedCritSec lock(&m_csImages);
    CString key(name);
    auto it = m_fileImages.find(key);
    if (it != m_fileImages.end() && it->second && it->second->image) return it->second;
    // Failures are not remembered: a file that appears later loads on the next request.
    Gdiplus::Image* image = MRender::LoadImageFromFile(GetSkinPath() + key);
    if (!image) return nullptr;
    ImgResInfo* entry = MakeEntry(image, count);
    entry->name = key;
    return Store(m_fileImages, key, entry);
}

ImgResInfo* PaintManager::AddImgResInfo(unsigned id, CString type, int count, int module)
{
    ScopedCritSec lock(&m_csImages);
    std::map<unsigned, ImgResInfo*>& map = module ? m_appImages : m_kovaImages;
    auto it = map.find(id);
    if (it != map.end() && it->second && it->second->image) return it->second;
    HINSTANCE instance = module ? Manager::m_hInstance : FrameworkModule();
    Gdiplus::Image* image = MRender::LoadImageFromIDResource(id, type, instance);
    if (!image) return nullptr;
    ImgResInfo* entry = MakeEntry(image, count);
    entry->resourceId = id;
    return Store(map, id, entry);
}

void PaintManager::ClearImgResInfo()
{
    ScopedCritSec lock(&m_csImages);
    for (auto& [name, entry] : m_fileImages) DeleteEntry(entry);
    for (auto* map : {&m_appImages, &m_kovaImages})
        for (auto& [id, entry] : *map) DeleteEntry(entry);
    m_fileImages.clear();
    m_appImages.clear();
    m_kovaImages.clear();
}

} // namespace KOVA
