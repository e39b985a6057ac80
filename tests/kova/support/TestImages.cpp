#include "TestImages.h"

#include <windows.h>
#include <gdiplus.h>
#include <shlwapi.h>
#include <vector>

namespace {
bool PngEncoder(CLSID& clsid)
{
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    if (!size) return false;
    std::vector<unsigned char> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
            clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}
} // namespace

bool WritePng(const std::wstring& path, int width, int height, const std::function<std::uint32_t(int, int)>& colour)
{
    CLSID png;
    if (!PngEncoder(png)) return false;
    Gdiplus::Bitmap bitmap(width, height, PixelFormat32bppARGB);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.SetPixel(x, y, Gdiplus::Color(colour(x, y)));
    return bitmap.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

std::wstring SkinFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRemoveFileSpecW(path);
    std::wstring folder = std::wstring(path) + L"\\skins\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    folder += L"theme1\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}
