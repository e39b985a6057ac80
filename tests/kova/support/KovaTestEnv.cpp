// Every framework test process runs like the program: GDI+ and OLE started on the UI
// thread, the framework's instance set to the executable.
#include <gtest/gtest.h>
#include <windows.h>
#include <gdiplus.h>
#include <ole2.h>
#include "core/Manager.h"

namespace {
class KovaEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
        OleInitialize(nullptr);
    }
    void TearDown() override
    {
        OleUninitialize();
        Gdiplus::GdiplusShutdown(m_token);
    }

private:
    ULONG_PTR m_token = 0;
};

const auto* const g_env = ::testing::AddGlobalTestEnvironment(new KovaEnvironment);
} // namespace
