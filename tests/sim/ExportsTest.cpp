// The stand-in must replace the real hidapi.dll file for file: the same module name
// and the same exported names, read from both files' export directories.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "../support/TestPaths.h"
#include "SimTestSupport.h"

namespace {

struct Exports {
    std::string moduleName;
    std::set<std::string> names;
};

// Reads a PE file's export directory straight from the file, without loading it.
bool ReadExports(const std::wstring& path, Exports& exports)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    std::vector<char> image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto at = [&](std::size_t offset, std::size_t size) {
        return offset <= image.size() && size <= image.size() - offset;
    };
    if (!at(0, sizeof(IMAGE_DOS_HEADER))) return false;
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || !at(dos->e_lfanew, sizeof(IMAGE_NT_HEADERS64))) return false;
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) return false;
    const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(nt);
    if (!at(reinterpret_cast<const char*>(sections) - image.data(),
            nt->FileHeader.NumberOfSections * sizeof(IMAGE_SECTION_HEADER)))
        return false;
    // Relative virtual address to file offset, through the section that holds it.
    auto offsetOf = [&](DWORD rva) -> std::size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return SIZE_MAX;
    };
    auto stringAt = [&](DWORD rva) {
        std::size_t offset = offsetOf(rva);
        std::string text;
        while (offset < image.size() && image[offset]) text += image[offset++];
        return text;
    };
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::size_t exportOffset = offsetOf(directory.VirtualAddress);
    if (!directory.VirtualAddress || !at(exportOffset, sizeof(IMAGE_EXPORT_DIRECTORY))) return false;
    auto* table = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(image.data() + exportOffset);
    exports.moduleName = stringAt(table->Name);
    std::size_t namesOffset = offsetOf(table->AddressOfNames);
    if (!at(namesOffset, table->NumberOfNames * sizeof(DWORD))) return false;
    auto* nameRvas = reinterpret_cast<const DWORD*>(image.data() + namesOffset);
    for (DWORD i = 0; i < table->NumberOfNames; ++i) exports.names.insert(stringAt(nameRvas[i]));
    return true;
}

} // namespace

TEST(SimExports, SameNamesAsTheRealHidapi)
{
    // The real one ships in the install image.
    Exports real, stand;
    ASSERT_TRUE(ReadExports(DistFolder() + L"hidapi.dll", real));
    ASSERT_TRUE(ReadExports(SimHidapiDll(), stand));
    EXPECT_EQ(real.moduleName, "hidapi.dll");
    EXPECT_EQ(stand.moduleName, real.moduleName);
    EXPECT_EQ(stand.names, real.names);
    // A sanity check of the reader on names any hidapi has.
    for (const char* name : {"hid_init", "hid_enumerate", "hid_send_feature_report", "hid_winapi_get_container_id"})
        EXPECT_EQ(real.names.count(name), 1u) << name;

    // Every name resolves to code in the loaded stand-in (Hid() checks each one).
    const SimHidapi& api = Hid();
    ASSERT_NE(api.module, nullptr);
    for (const std::string& name : real.names) EXPECT_NE(GetProcAddress(api.module, name.c_str()), nullptr) << name;
}
