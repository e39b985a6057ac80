// The autostart task: the exact calls and values against a recording double, every
// failure with its line on standard error and nothing left referenced, the COM
// initialisation rule, and Wine's own (partial) Task Scheduler.
#include <gtest/gtest.h>

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "../support/TestPaths.h"
#include "FakeTaskScheduler.h"
#include "app/Folders.h"
#include "setup/StartupTask.h"

namespace {

// Runs f with the process's standard error going to a file; returns what was written.
template <class F>
std::string CaptureStandardError(F f)
{
    std::wstring path = MakeTempFolder(L"stderr") + L"err.txt";
    std::fflush(stderr);
    int saved = _dup(2);
    int file = _wopen(path.c_str(), _O_CREAT | _O_TRUNC | _O_WRONLY | _O_BINARY, 0600);
    _dup2(file, 2);
    f();
    std::fflush(stderr);
    _dup2(saved, 2);
    _close(saved);
    _close(file);
    std::string text;
    if (FILE* in = _wfopen(path.c_str(), L"rb")) {
        char buffer[512];
        for (size_t n; (n = std::fread(buffer, 1, sizeof(buffer), in)) > 0;) text.append(buffer, n);
        std::fclose(in);
    }
    RemoveTree(path.substr(0, path.rfind(L'\\') + 1));
    return text;
}

std::string ProgramPath()
{
    std::wstring path = GetProgramFolder() + L"Tovrin.exe";
    return std::string(path.begin(), path.end());
}

std::vector<std::string> FullSequence()
{
    return {
        "CoCreateInstance(TaskScheduler)",
        "ITaskService::Connect(empty,empty,empty,empty)",
        "ITaskService::GetFolder(\\)",
        "ITaskService::NewTask(0)",
        "ITaskDefinition::get_Triggers",
        "ITriggerCollection::Create(9)",
        "ITrigger::put_Id(Administrator)",
        "ITaskDefinition::get_Principal",
        "IPrincipal::put_RunLevel(1)",
        "ITaskDefinition::get_Settings",
        "ITaskSettings::put_StopIfGoingOnBatteries(0)",
        "ITaskSettings::put_DisallowStartIfOnBatteries(0)",
        "ITaskSettings::put_AllowDemandStart(-1)",
        "ITaskSettings::put_StartWhenAvailable(0)",
        "ITaskSettings::put_MultipleInstances(0)",
        "ITaskSettings::put_ExecutionTimeLimit(PT0S)",
        "ITaskDefinition::get_Actions",
        "IActionCollection::Create(0)",
        "IAction::QueryInterface(IExecAction)",
        "IExecAction::put_Path(" + ProgramPath() + ")",
        "ITaskFolder::RegisterTaskDefinition(ZEL StartupTask,definition,6,empty,empty,3,bstr:,null)",
    };
}

// True when the calling thread has no COM apartment (a fresh initialisation succeeds
// with S_OK); leaves the thread as it found it.
bool ThreadHasNoApartment()
{
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(hr)) CoUninitialize();
    return hr == S_OK;
}

} // namespace

TEST(StartupTask, RegistersTheLogonTaskWithTheExactValues)
{
    FakeTaskScheduler fake;
    std::string err = CaptureStandardError(
        [&] { RegisterStartupTask([&](ITaskService** s) { return fake.CreateService(s); }); });
    EXPECT_EQ(err, "");
    EXPECT_EQ(fake.Calls(), FullSequence());
    EXPECT_EQ(fake.OutstandingReferences(), 0);
    EXPECT_TRUE(ThreadHasNoApartment()) << "CoInitialize was balanced";
    EXPECT_NE(ProgramPath().rfind("\\Tovrin.exe"), std::string::npos);
    EXPECT_EQ(ProgramPath().substr(ProgramPath().size() - 11), "\\Tovrin.exe") << "not this executable's own name";
}

TEST(StartupTask, EachFailureIsReportedAndEverythingReleased)
{
    struct Case {
        const char* call;
        const char* message;
    } cases[] = {
        {"CoCreateInstance", "Failed to create Task Scheduler instance with HRESULT: 0x"},
        {"ITaskService::Connect", "Failed to connect to Task Scheduler service with HRESULT: 0x"},
        {"ITaskService::GetFolder", "Failed to get root folder with HRESULT: 0x"},
        {"ITaskService::NewTask", "Failed to create new task with HRESULT: 0x"},
        {"ITaskDefinition::get_Triggers", "Failed to get trigger collection with HRESULT: 0x"},
        {"ITriggerCollection::Create", "Failed to create trigger with HRESULT: 0x"},
        {"ITrigger::put_Id", "Failed to set trigger ID with HRESULT: 0x"},
        {"ITaskDefinition::get_Principal", "Failed to get principal with HRESULT: 0x"},
        {"IPrincipal::put_RunLevel", "Failed to set run level with HRESULT: 0x"},
        {"ITaskDefinition::get_Actions", "Failed to get action collection with HRESULT: 0x"},
        {"IActionCollection::Create", "Failed to create action with HRESULT: 0x"},
        {"IAction::QueryInterface", "Failed to query exec action interface with HRESULT: 0x"},
        {"IExecAction::put_Path", "Failed to set executable path with HRESULT: 0x"},
        {"ITaskFolder::RegisterTaskDefinition", "Failed to register task definition with HRESULT: 0x"},
    };
    const std::vector<std::string> full = FullSequence();
    for (const auto& c : cases) {
        for (HRESULT hr : {HRESULT(0x80070005), HRESULT(0x80004001), HRESULT(0x8000FFFF)}) {
            FakeTaskScheduler fake;
            fake.FailCall(c.call, hr);
            std::string err = CaptureStandardError(
                [&] { RegisterStartupTask([&](ITaskService** s) { return fake.CreateService(s); }); });
            char hex[16];
            std::snprintf(hex, sizeof(hex), "%lx", (unsigned long)hr);
            EXPECT_EQ(err, std::string(c.message) + hex + "\n") << c.call;
            // The calls stop at the failing one: nothing after it, nothing registered.
            const auto& calls = fake.Calls();
            ASSERT_FALSE(calls.empty()) << c.call;
            EXPECT_EQ(calls.back().rfind(c.call, 0), 0u) << c.call;
            EXPECT_EQ(calls, std::vector<std::string>(full.begin(), full.begin() + calls.size())) << c.call;
            EXPECT_EQ(fake.OutstandingReferences(), 0) << c.call;
            EXPECT_TRUE(ThreadHasNoApartment()) << c.call;
        }
    }
}

TEST(StartupTask, RefusedSettingsDoNotStopTheRegistration)
{
    for (const char* call : {"ITaskDefinition::get_Settings", "ITaskSettings::put_ExecutionTimeLimit",
                             "ITaskSettings::put_StopIfGoingOnBatteries"}) {
        FakeTaskScheduler fake;
        fake.FailCall(call, E_INVALIDARG);
        std::string err = CaptureStandardError(
            [&] { RegisterStartupTask([&](ITaskService** s) { return fake.CreateService(s); }); });
        EXPECT_EQ(err, "") << call;
        ASSERT_FALSE(fake.Calls().empty());
        EXPECT_EQ(fake.Calls().back(), FullSequence().back()) << call;
        EXPECT_EQ(fake.OutstandingReferences(), 0) << call;
    }
}

TEST(StartupTask, ComInitialisationIsBalancedOrLeftAlone)
{
    // A thread that already has a single-threaded apartment keeps it.
    std::thread([] {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        FakeTaskScheduler fake;
        std::string err = CaptureStandardError(
            [&] { RegisterStartupTask([&](ITaskService** s) { return fake.CreateService(s); }); });
        EXPECT_EQ(err, "");
        EXPECT_EQ(fake.Calls().size(), FullSequence().size());
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE) << "still single-threaded";
        CoUninitialize();
    }).join();

    // In a multithreaded apartment CoInitialize fails: reported, nothing else called,
    // and the caller's apartment is not taken down.
    std::thread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        FakeTaskScheduler fake;
        std::string err = CaptureStandardError(
            [&] { RegisterStartupTask([&](ITaskService** s) { return fake.CreateService(s); }); });
        EXPECT_EQ(err, "CoInitialize failed with HRESULT: 0x80010106\n");
        EXPECT_TRUE(fake.Calls().empty());
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE) << "the apartment is still there";
        CoUninitialize();
        CoUninitialize();
    }).join();
}

namespace {

// In a new prefix Wine's Task Scheduler service is not running yet, and for a while
// its service database stays locked by the prefix's first start: the connection's
// own start of the service then fails. Start it ourselves, retrying, and wait.
bool TaskSchedulerRunning()
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return false;
    SC_HANDLE service = OpenServiceW(manager, L"Schedule", SERVICE_START | SERVICE_QUERY_STATUS);
    bool running = false;
    if (service) {
        for (int i = 0; i < 1200 && !running; ++i) {
            SERVICE_STATUS status = {};
            running = QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING;
            if (running) break;
            if (status.dwCurrentState == SERVICE_STOPPED) StartServiceW(service, 0, nullptr);
            Sleep(100);
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return running;
}

} // namespace

TEST(StartupTask, WinesTaskSchedulerRefusesTheLogonTriggerCleanly)
{
    ASSERT_TRUE(TaskSchedulerRunning());
    // Wine's service has no logon trigger: the registration stops there, said once on
    // standard error, and no task of that name appears.
    std::string err = CaptureStandardError([] { RegisterStartupTask(); });
    EXPECT_EQ(err, "Failed to create trigger with HRESULT: 0x80004001\n");
    EXPECT_TRUE(ThreadHasNoApartment());

    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ITaskService* service = nullptr;
    ASSERT_EQ(CreateTaskSchedulerService(&service), S_OK);
    VARIANT empty;
    VariantInit(&empty);
    ASSERT_EQ(service->Connect(empty, empty, empty, empty), S_OK);
    ITaskFolder* root = nullptr;
    BSTR rootPath = SysAllocString(L"\\");
    ASSERT_EQ(service->GetFolder(rootPath, &root), S_OK);
    IRegisteredTask* task = nullptr;
    BSTR name = SysAllocString(kStartupTaskName);
    EXPECT_TRUE(FAILED(root->GetTask(name, &task)));
    if (task) task->Release();
    SysFreeString(name);
    SysFreeString(rootPath);
    root->Release();
    service->Release();
    CoUninitialize();
}
