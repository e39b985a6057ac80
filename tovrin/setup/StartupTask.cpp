#include "StartupTask.h"

#include <cstdio>
#include <string>

#include "../app/Folders.h"

namespace {

// Releases the interface it holds on every path.
template <class T>
struct ComRef {
    T* p = nullptr;
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef()
    {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

struct Bstr {
    BSTR b;
    explicit Bstr(const wchar_t* text) : b(SysAllocString(text)) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(b); }
};

void Fail(const char* message, HRESULT hr)
{
    std::fprintf(stderr, "%s%lx\n", message, (unsigned long)hr);
    std::fflush(stderr);
}

// Everything between CoInitialize and CoUninitialize; a failure is reported and ends it.
void DefineAndRegister(const TaskServiceFactory& createService)
{
    ComRef<ITaskService> service;
    HRESULT hr = createService(&service);
    if (FAILED(hr) || !service.p) return Fail("Failed to create Task Scheduler instance with HRESULT: 0x", hr);

    VARIANT empty;
    VariantInit(&empty);
    hr = service->Connect(empty, empty, empty, empty);
    if (FAILED(hr)) return Fail("Failed to connect to Task Scheduler service with HRESULT: 0x", hr);

    ComRef<ITaskFolder> root;
    Bstr rootPath(L"\\");
    hr = service->GetFolder(rootPath.b, &root);
    if (FAILED(hr)) return Fail("Failed to get root folder with HRESULT: 0x", hr);

    ComRef<ITaskDefinition> task;
    hr = service->NewTask(0, &task);
    if (FAILED(hr)) return Fail("Failed to create new task with HRESULT: 0x", hr);

    ComRef<ITriggerCollection> triggers;
    hr = task->get_Triggers(&triggers);
    if (FAILED(hr)) return Fail("Failed to get trigger collection with HRESULT: 0x", hr);
    ComRef<ITrigger> trigger;
    hr = triggers->Create(TASK_TRIGGER_LOGON, &trigger);
    if (FAILED(hr)) return Fail("Failed to create trigger with HRESULT: 0x", hr);
    Bstr triggerId(L"Administrator");
    hr = trigger->put_Id(triggerId.b);
    if (FAILED(hr)) return Fail("Failed to set trigger ID with HRESULT: 0x", hr);

    ComRef<IPrincipal> principal;
    hr = task->get_Principal(&principal);
    if (FAILED(hr)) return Fail("Failed to get principal with HRESULT: 0x", hr);
    hr = principal->put_RunLevel(TASK_RUNLEVEL_HIGHEST);
    if (FAILED(hr)) return Fail("Failed to set run level with HRESULT: 0x", hr);

    // The settings' results are not acted on: a refused setting still leaves a task
    // worth registering.
    ComRef<ITaskSettings> settings;
    if (SUCCEEDED(task->get_Settings(&settings)) && settings.p) {
        settings->put_StopIfGoingOnBatteries(VARIANT_FALSE);
        settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE);
        settings->put_AllowDemandStart(VARIANT_TRUE);
        settings->put_StartWhenAvailable(VARIANT_FALSE);
        settings->put_MultipleInstances(TASK_INSTANCES_PARALLEL);
        Bstr noLimit(L"PT0S");
        settings->put_ExecutionTimeLimit(noLimit.b);
    }

    ComRef<IActionCollection> actions;
    hr = task->get_Actions(&actions);
    if (FAILED(hr)) return Fail("Failed to get action collection with HRESULT: 0x", hr);
    ComRef<IAction> action;
    hr = actions->Create(TASK_ACTION_EXEC, &action);
    if (FAILED(hr)) return Fail("Failed to create action with HRESULT: 0x", hr);
    ComRef<IExecAction> exec;
    hr = action->QueryInterface(IID_IExecAction, reinterpret_cast<void**>(&exec));
    if (FAILED(hr)) return Fail("Failed to query exec action interface with HRESULT: 0x", hr);
    // The file name is fixed: the task starts Tovrin.exe even when this copy runs
    // under another name.
    Bstr program((GetProgramFolder() + L"Tovrin.exe").c_str());
    hr = exec->put_Path(program.b);
    if (FAILED(hr)) return Fail("Failed to set executable path with HRESULT: 0x", hr);

    Bstr name(kStartupTaskName);
    VARIANT descriptor;
    VariantInit(&descriptor);
    descriptor.vt = VT_BSTR;
    descriptor.bstrVal = SysAllocString(L"");
    hr = root->RegisterTaskDefinition(name.b, task.p, TASK_CREATE_OR_UPDATE, empty, empty,
                                      TASK_LOGON_INTERACTIVE_TOKEN, descriptor, nullptr);
    VariantClear(&descriptor);
    if (FAILED(hr)) Fail("Failed to register task definition with HRESULT: 0x", hr);
}

} // namespace

HRESULT CreateTaskSchedulerService(ITaskService** service)
{
    return CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                            reinterpret_cast<void**>(service));
}

void RegisterStartupTask() { RegisterStartupTask(CreateTaskSchedulerService); }

void RegisterStartupTask(const TaskServiceFactory& createService)
{
    HRESULT hr = CoInitialize(nullptr);
    if (FAILED(hr)) return Fail("CoInitialize failed with HRESULT: 0x", hr);
    DefineAndRegister(createService); // every interface is released before uninitialising
    CoUninitialize();
}
