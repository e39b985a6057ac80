// Time of one version check against the local HTTPS update server: the whole check as
// the worker runs it (connection, TLS, request, status, body, comparison, post).
// Prints the median and the spread over many checks.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "update/TestServer.h"
#include "update/UpdateChecks.h"

int wmain(int argc, wchar_t** argv)
{
    const int checks = argc > 1 ? _wtoi(argv[1]) : 40;
    if (!TrustTestCertificate() || TestServerBaseUrl().empty()) {
        std::printf("the update server is not running (bench/run-update starts it)\n");
        return 1;
    }
    PutServerFile("display-580/580R/software/version", "1.0.0.6");
    PostTarget target;
    UpdateState state(TestServerBaseUrl());
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> ms;
    int results = 0;
    for (int i = 0; i < checks + 3; ++i) {
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        CheckSoftwareVersion(state, target.Window(), true);
        QueryPerformanceCounter(&b);
        results += int(target.Take().size());
        if (i >= 3) ms.push_back(double(b.QuadPart - a.QuadPart) * 1000.0 / double(frequency.QuadPart)); // after warm-up
    }
    std::sort(ms.begin(), ms.end());
    std::printf("version check against the local server, %d checks (%d results posted): median %.1f ms, "
                "p10 %.1f ms, p90 %.1f ms\n",
                checks, results, ms[ms.size() / 2], ms[ms.size() / 10], ms[ms.size() * 9 / 10]);
    return 0;
}
