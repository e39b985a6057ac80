#pragma once
// A recording stand-in for the Task Scheduler's COM objects: every call is written to
// one list with its values, one chosen call can be made to fail, and every object
// counts its references so a test sees whether all were released.
#include <windows.h>
#include <taskschd.h>
#include <string>
#include <vector>

class FakeTaskScheduler {
public:
    FakeTaskScheduler();
    ~FakeTaskScheduler();
    FakeTaskScheduler(const FakeTaskScheduler&) = delete;
    FakeTaskScheduler& operator=(const FakeTaskScheduler&) = delete;

    // The factory RegisterStartupTask gets: hands out the service (one new reference).
    HRESULT CreateService(ITaskService** service);

    // Makes the call of this name (as it appears in Calls(), without values) answer hr.
    void FailCall(const std::string& name, HRESULT hr)
    {
        m_failName = name;
        m_failResult = hr;
    }
    const std::vector<std::string>& Calls() const { return m_calls; }
    // References still held by the code under test, over all objects.
    long OutstandingReferences() const;

    // Used by the fake objects.
    HRESULT Call(const std::string& name, const std::string& values = "");

private:
    friend struct FakeObjects;
    std::vector<std::string> m_calls;
    std::string m_failName;
    HRESULT m_failResult = S_OK;
    struct FakeObjects* m_objects;
};
