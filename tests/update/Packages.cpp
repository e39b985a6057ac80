#include "Packages.h"

#include "../archive/ZipBuilder.h"
#include "../support/TestPaths.h"

std::string PackageWithProgram(const std::string& programName, const std::wstring& scratch, bool withNote)
{
    std::wstring zip = scratch + L"package.zip";
    {
        ZipBuilder builder(zip);
        ZipItem program;
        program.name = programName;
        program.data = ReadWholeFile(TestBinFolder() + L"support\\record-run.exe");
        if (program.data.empty() || !builder.Add(program)) return {};
        if (withNote) {
            ZipItem note;
            note.name = "notes/readme.txt";
            note.data = "release notes";
            if (!builder.Add(note)) return {};
        }
        if (!builder.Close()) return {};
    }
    return ReadWholeFile(zip);
}
