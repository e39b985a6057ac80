#include <gtest/gtest.h>

#include <windows.h>
#include "core/Manager.h"
#include "host/PaintManager.h"
#include "render/MRender.h"
#include "support/TestImages.h"

using namespace KOVA;

TEST(ImageCache, FirstRequestDecidesTheDivision)
{
    ASSERT_TRUE(WritePng(SkinFolder() + L"cache-button.png", 80, 20, [](int, int) { return 0xFF808080u; }));
    PaintManager host;
    ImgResInfo* four = host.AddImgResInfo(L"cache-button.png", 4);
    ASSERT_NE(four, nullptr);
    EXPECT_EQ(four->partWidth, 20);
    EXPECT_EQ(four->partHeight, 20);
    EXPECT_EQ(four->partCount, 4);
    EXPECT_STREQ(four->name, L"cache-button.png");
    EXPECT_EQ(four->resourceId, 0u);
    ImgResInfo* one = host.AddImgResInfo(L"cache-button.png", 1);
    EXPECT_EQ(one, four) << "the same entry, whatever count the second request asks";
    EXPECT_EQ(one->partWidth, 20);

    PaintManager other;
    ImgResInfo* own = other.AddImgResInfo(L"cache-button.png", 1);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->partWidth, 80) << "every host has its own cache";
    EXPECT_NE(own->image, four->image);
}

TEST(ImageCache, NamesAreCaseSensitive)
{
    ASSERT_TRUE(WritePng(SkinFolder() + L"cache-case.png", 10, 10, [](int, int) { return 0xFF102030u; }));
    PaintManager host;
    ImgResInfo* lower = host.AddImgResInfo(L"cache-case.png", 1);
    ImgResInfo* upper = host.AddImgResInfo(L"CACHE-case.png", 2);
    ASSERT_NE(lower, nullptr);
    ASSERT_NE(upper, nullptr) << "the file system does not care about case";
    EXPECT_NE(lower, upper) << "the cache does: a second entry";
    EXPECT_EQ(upper->partWidth, 5);
}

TEST(ImageCache, FailuresAreNotRemembered)
{
    const std::wstring path = SkinFolder() + L"cache-late.png";
    DeleteFileW(path.c_str());
    PaintManager host;
    EXPECT_EQ(host.AddImgResInfo(L"cache-late.png", 1), nullptr);
    EXPECT_EQ(host.AddImgResInfo(L"cache-late.png", 1), nullptr);
    EXPECT_EQ(host.AddImgResInfo(static_cast<const wchar_t*>(nullptr), 1), nullptr);
    ASSERT_TRUE(WritePng(path, 12, 6, [](int, int) { return 0xFF000000u; }));
    ImgResInfo* later = host.AddImgResInfo(L"cache-late.png", 3);
    ASSERT_NE(later, nullptr) << "the file that appeared is loaded now";
    EXPECT_EQ(later->partWidth, 4);
    EXPECT_EQ(host.AddImgResInfo(L"cache-late.png", 0)->partWidth, 4);

    PaintManager zero;
    ImgResInfo* none = zero.AddImgResInfo(L"cache-late.png", 0);
    ASSERT_NE(none, nullptr) << "a part count of 0 does not divide by zero";
    EXPECT_EQ(none->partWidth, 12);
}

TEST(ImageCache, ResourceEntriesComeFromTheFrameworkOrTheApplication)
{
    PaintManager host;
    ImgResInfo* scroll = host.AddImgResInfo(101, CString(L"PNG"), 2, 0);
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->partWidth, 11);
    EXPECT_EQ(scroll->partHeight, 20);
    EXPECT_EQ(scroll->resourceId, 101u);
    EXPECT_TRUE(scroll->name.IsEmpty());
    EXPECT_EQ(host.AddImgResInfo(101, CString(L"PNG"), 1, 0), scroll);
    EXPECT_EQ(host.AddImgResInfo(555, CString(L"PNG"), 1, 0), nullptr);

    // The application's map is separate, even for a module that has the same id.
    Manager::SetInstance(GetModuleHandleW(L"kova.dll"));
    ImgResInfo* app = host.AddImgResInfo(101, CString(L"PNG"), 1, 1);
    Manager::SetInstance(nullptr);
    ASSERT_NE(app, nullptr);
    EXPECT_NE(app, scroll);
    EXPECT_EQ(app->partWidth, 22);

    host.ClearImgResInfo();
    ImgResInfo* again = host.AddImgResInfo(101, CString(L"PNG"), 1, 0);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->partWidth, 22) << "after clearing, the next request decides anew";
}

TEST(BuiltInResources, ScrollImagesAreOurArtworkAtTheirSizes)
{
    HMODULE kova = GetModuleHandleW(L"kova.dll");
    struct Case {
        unsigned id;
        unsigned width, height;
    } cases[] = {{101, 22, 20}, {102, 12, 72}};
    for (const Case& c : cases) {
        Gdiplus::Image* image = MRender::LoadImageFromIDResource(c.id, CString(L"PNG"), kova);
        ASSERT_NE(image, nullptr) << c.id;
        EXPECT_EQ(image->GetWidth(), c.width) << c.id;
        EXPECT_EQ(image->GetHeight(), c.height) << c.id;
        EXPECT_TRUE(Gdiplus::IsAlphaPixelFormat(image->GetPixelFormat())) << c.id << " has an alpha channel";
        delete image;
    }
    EXPECT_EQ(MRender::LoadImageFromIDResource(101, CString(L"GIF"), kova), nullptr);
    EXPECT_EQ(MRender::LoadImageFromIDResource(106, CString(L"TTF"), kova), nullptr) << "a font is no image";
}

TEST(BuiltInResources, FrameworkFontIsDebiansOpenSansSemibold)
{
    HMODULE kova = GetModuleHandleW(L"kova.dll");
    HRSRC found = FindResourceW(kova, MAKEINTRESOURCEW(106), L"ttf");
    ASSERT_NE(found, nullptr) << "resource 106 of type ttf";
    const DWORD size = SizeofResource(kova, found);
    const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(kova, found)));
    ASSERT_NE(bytes, nullptr);

    HANDLE file = CreateFileW(L"Z:\\usr\\share\\fonts\\truetype\\open-sans\\OpenSans-Semibold.ttf", GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::vector<unsigned char> original(GetFileSize(file, nullptr));
    DWORD read = 0;
    ReadFile(file, original.data(), DWORD(original.size()), &read, nullptr);
    CloseHandle(file);
    ASSERT_EQ(size, read);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), bytes)) << "the package's file, byte for byte";
}

TEST(TempFonts, EveryLookupAnswersWithTheFrameworkFont)
{
    PaintManager host;
    Gdiplus::FontFamily* arial = host.FindTempFont(L"Arial");
    ASSERT_NE(arial, nullptr);
    EXPECT_EQ(host.FindTempFont(L"Courier New"), arial) << "the name asked for takes no part";
    EXPECT_EQ(host.FindTempFont(nullptr), arial);

    Manager::SetFontName(L"No Such Face At All");
    EXPECT_EQ(host.FindTempFont(L"Arial"), nullptr) << "a framework font that is not installed";
    Manager::SetFontName(L"Arial");
    EXPECT_EQ(host.FindTempFont(L"Arial"), arial) << "kept until cleared";
    host.ClearTempFont();
    EXPECT_NE(host.FindTempFont(L"Arial"), nullptr);
}

TEST(TempFonts, PrivateFontsComeFromFilesAndStayUntilCleared)
{
    PaintManager host;
    const wchar_t* file = L"Z:\\usr\\share\\fonts\\truetype\\liberation\\LiberationMono-Regular.ttf";
    Gdiplus::FontFamily* mono = host.AddTempFont(L"code", file);
    ASSERT_NE(mono, nullptr);
    wchar_t name[LF_FACESIZE] = {};
    mono->GetFamilyName(name);
    EXPECT_STREQ(name, L"Liberation Mono");
    Gdiplus::Font font(mono, 12, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    EXPECT_EQ(font.GetLastStatus(), Gdiplus::Ok) << "the family is usable";
    EXPECT_EQ(host.AddTempFont(L"code", L"Z:\\nowhere\\missing.ttf"), nullptr);
    EXPECT_EQ(host.AddTempFont(nullptr, file), nullptr);
    host.ClearTempFont();
}
