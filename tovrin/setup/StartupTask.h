#pragma once
// The logon task that starts Tovrin with the highest run level, registered (or
// rewritten) at every start through the Task Scheduler's COM interfaces.
#include <windows.h>
#include <taskschd.h>
#include <functional>

constexpr wchar_t kStartupTaskName[] = L"ZEL StartupTask";

// Makes the Task Scheduler object; production code uses CoCreateInstance, tests hand in
// a recording double.
using TaskServiceFactory = std::function<HRESULT(ITaskService** service)>;
HRESULT CreateTaskSchedulerService(ITaskService** service);

// Failures are written to standard error, one line each, and otherwise ignored.
void RegisterStartupTask();
void RegisterStartupTask(const TaskServiceFactory& createService);
