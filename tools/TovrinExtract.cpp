// tovrin-extract ZIP FOLDER: unpacks one archive exactly as Tovrin unpacks a downloaded
// package. Exit code 0 when the archive opened, 1 when not, 2 for wrong usage.
#include <cstdio>

#include "archive/ZipReader.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fputs("usage: tovrin-extract ZIP FOLDER\n", stderr);
        return 2;
    }
    return ExtractArchive(argv[1], argv[2]) ? 0 : 1;
}
