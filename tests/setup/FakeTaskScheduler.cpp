#include "FakeTaskScheduler.h"


namespace {

std::string Narrow(const wchar_t* text)
{
    std::string out;
    for (; text && *text; ++text) out.push_back(*text < 128 ? char(*text) : '?');
    return out;
}

std::string Describe(const VARIANT& v)
{
    if (v.vt == VT_EMPTY) return "empty";
    if (v.vt == VT_BSTR) return "bstr:" + Narrow(v.bstrVal);
    return "vt" + std::to_string(v.vt);
}

// IUnknown and IDispatch for every fake: a reference count, and the interfaces the
// object answers to.
template <class I>
class Fake : public I {
public:
    Fake(FakeTaskScheduler* owner, const char* name, REFIID iid) : m_owner(owner), m_name(name), m_iid(iid) {}
    virtual ~Fake() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == m_iid) {
            *out = static_cast<I*>(this);
            AddRef();
            return S_OK;
        }
        return ExtraInterface(riid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++refs); }
    // Never frees: the double owns the objects and reads their counts afterwards.
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--refs); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return Unexpected("GetTypeInfoCount"); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Unexpected("GetTypeInfo"); }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return Unexpected("GetIDsOfNames");
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return Unexpected("Invoke");
    }

    long refs = 0; // references handed out and not yet released

protected:
    virtual HRESULT ExtraInterface(REFIID, void**) { return E_NOINTERFACE; }
    HRESULT Call(const char* method, const std::string& values = "")
    {
        return m_owner->Call(std::string(m_name) + "::" + method, values);
    }
    HRESULT Unexpected(const char* method)
    {
        m_owner->Call(std::string("unexpected ") + m_name + "::" + method);
        return E_NOTIMPL;
    }
    // Hands out this object as an out parameter with a new reference.
    template <class T>
    HRESULT GiveOut(HRESULT hr, T* self, T** out)
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (FAILED(hr)) return hr;
        self->AddRef();
        *out = self;
        return hr;
    }

    FakeTaskScheduler* m_owner;
    const char* m_name;
    IID m_iid;
};

#define UNEXPECTED(method, params) \
    HRESULT STDMETHODCALLTYPE method params override { return Unexpected(#method); }

class FakeTrigger : public Fake<ITrigger> {
public:
    explicit FakeTrigger(FakeTaskScheduler* o) : Fake(o, "ITrigger", IID_ITrigger) {}
    HRESULT STDMETHODCALLTYPE put_Id(BSTR id) override { return Call("put_Id", Narrow(id)); }
    UNEXPECTED(get_Type, (TASK_TRIGGER_TYPE2*))
    UNEXPECTED(get_Id, (BSTR*))
    UNEXPECTED(get_Repetition, (IRepetitionPattern**))
    UNEXPECTED(put_Repetition, (IRepetitionPattern*))
    UNEXPECTED(get_ExecutionTimeLimit, (BSTR*))
    UNEXPECTED(put_ExecutionTimeLimit, (BSTR))
    UNEXPECTED(get_StartBoundary, (BSTR*))
    UNEXPECTED(put_StartBoundary, (BSTR))
    UNEXPECTED(get_EndBoundary, (BSTR*))
    UNEXPECTED(put_EndBoundary, (BSTR))
    UNEXPECTED(get_Enabled, (VARIANT_BOOL*))
    UNEXPECTED(put_Enabled, (VARIANT_BOOL))
};

class FakeTriggers : public Fake<ITriggerCollection> {
public:
    FakeTriggers(FakeTaskScheduler* o, FakeTrigger* t) : Fake(o, "ITriggerCollection", IID_ITriggerCollection), m_trigger(t) {}
    HRESULT STDMETHODCALLTYPE Create(TASK_TRIGGER_TYPE2 type, ITrigger** trigger) override
    {
        return GiveOut<ITrigger>(Call("Create", std::to_string(type)), m_trigger, trigger);
    }
    UNEXPECTED(get_Count, (LONG*))
    UNEXPECTED(get_Item, (LONG, ITrigger**))
    UNEXPECTED(get__NewEnum, (IUnknown**))
    UNEXPECTED(Remove, (VARIANT))
    UNEXPECTED(Clear, ())

private:
    FakeTrigger* m_trigger;
};

class FakePrincipal : public Fake<IPrincipal> {
public:
    explicit FakePrincipal(FakeTaskScheduler* o) : Fake(o, "IPrincipal", IID_IPrincipal) {}
    HRESULT STDMETHODCALLTYPE put_RunLevel(TASK_RUNLEVEL_TYPE level) override
    {
        return Call("put_RunLevel", std::to_string(level));
    }
    UNEXPECTED(get_Id, (BSTR*))
    UNEXPECTED(put_Id, (BSTR))
    UNEXPECTED(get_DisplayName, (BSTR*))
    UNEXPECTED(put_DisplayName, (BSTR))
    UNEXPECTED(get_UserId, (BSTR*))
    UNEXPECTED(put_UserId, (BSTR))
    UNEXPECTED(get_LogonType, (TASK_LOGON_TYPE*))
    UNEXPECTED(put_LogonType, (TASK_LOGON_TYPE))
    UNEXPECTED(get_GroupId, (BSTR*))
    UNEXPECTED(put_GroupId, (BSTR))
    UNEXPECTED(get_RunLevel, (TASK_RUNLEVEL_TYPE*))
};

class FakeSettings : public Fake<ITaskSettings> {
public:
    explicit FakeSettings(FakeTaskScheduler* o) : Fake(o, "ITaskSettings", IID_ITaskSettings) {}
    HRESULT STDMETHODCALLTYPE put_StopIfGoingOnBatteries(VARIANT_BOOL v) override
    {
        return Call("put_StopIfGoingOnBatteries", std::to_string(v));
    }
    HRESULT STDMETHODCALLTYPE put_DisallowStartIfOnBatteries(VARIANT_BOOL v) override
    {
        return Call("put_DisallowStartIfOnBatteries", std::to_string(v));
    }
    HRESULT STDMETHODCALLTYPE put_AllowDemandStart(VARIANT_BOOL v) override
    {
        return Call("put_AllowDemandStart", std::to_string(v));
    }
    HRESULT STDMETHODCALLTYPE put_StartWhenAvailable(VARIANT_BOOL v) override
    {
        return Call("put_StartWhenAvailable", std::to_string(v));
    }
    HRESULT STDMETHODCALLTYPE put_MultipleInstances(TASK_INSTANCES_POLICY v) override
    {
        return Call("put_MultipleInstances", std::to_string(v));
    }
    HRESULT STDMETHODCALLTYPE put_ExecutionTimeLimit(BSTR v) override
    {
        return Call("put_ExecutionTimeLimit", Narrow(v));
    }
    UNEXPECTED(get_AllowDemandStart, (VARIANT_BOOL*))
    UNEXPECTED(get_RestartInterval, (BSTR*))
    UNEXPECTED(put_RestartInterval, (BSTR))
    UNEXPECTED(get_RestartCount, (INT*))
    UNEXPECTED(put_RestartCount, (INT))
    UNEXPECTED(get_MultipleInstances, (TASK_INSTANCES_POLICY*))
    UNEXPECTED(get_StopIfGoingOnBatteries, (VARIANT_BOOL*))
    UNEXPECTED(get_DisallowStartIfOnBatteries, (VARIANT_BOOL*))
    UNEXPECTED(get_AllowHardTerminate, (VARIANT_BOOL*))
    UNEXPECTED(put_AllowHardTerminate, (VARIANT_BOOL))
    UNEXPECTED(get_StartWhenAvailable, (VARIANT_BOOL*))
    UNEXPECTED(get_XmlText, (BSTR*))
    UNEXPECTED(put_XmlText, (BSTR))
    UNEXPECTED(get_RunOnlyIfNetworkAvailable, (VARIANT_BOOL*))
    UNEXPECTED(put_RunOnlyIfNetworkAvailable, (VARIANT_BOOL))
    UNEXPECTED(get_ExecutionTimeLimit, (BSTR*))
    UNEXPECTED(get_Enabled, (VARIANT_BOOL*))
    UNEXPECTED(put_Enabled, (VARIANT_BOOL))
    UNEXPECTED(get_DeleteExpiredTaskAfter, (BSTR*))
    UNEXPECTED(put_DeleteExpiredTaskAfter, (BSTR))
    UNEXPECTED(get_Priority, (INT*))
    UNEXPECTED(put_Priority, (INT))
    UNEXPECTED(get_Compatibility, (TASK_COMPATIBILITY*))
    UNEXPECTED(put_Compatibility, (TASK_COMPATIBILITY))
    UNEXPECTED(get_Hidden, (VARIANT_BOOL*))
    UNEXPECTED(put_Hidden, (VARIANT_BOOL))
    UNEXPECTED(get_IdleSettings, (IIdleSettings**))
    UNEXPECTED(put_IdleSettings, (IIdleSettings*))
    UNEXPECTED(get_RunOnlyIfIdle, (VARIANT_BOOL*))
    UNEXPECTED(put_RunOnlyIfIdle, (VARIANT_BOOL))
    UNEXPECTED(get_WakeToRun, (VARIANT_BOOL*))
    UNEXPECTED(put_WakeToRun, (VARIANT_BOOL))
    UNEXPECTED(get_NetworkSettings, (INetworkSettings**))
    UNEXPECTED(put_NetworkSettings, (INetworkSettings*))
};

// One object answering as IAction and, through QueryInterface, as IExecAction.
class FakeExecAction : public Fake<IExecAction> {
public:
    explicit FakeExecAction(FakeTaskScheduler* o) : Fake(o, "IExecAction", IID_IExecAction) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (riid == IID_IExecAction) {
            HRESULT hr = m_owner->Call("IAction::QueryInterface", "IExecAction");
            if (FAILED(hr)) {
                if (out) *out = nullptr;
                return hr;
            }
        }
        if (riid == IID_IAction && out) {
            *out = static_cast<IAction*>(this);
            AddRef();
            return S_OK;
        }
        return Fake::QueryInterface(riid, out);
    }
    HRESULT STDMETHODCALLTYPE put_Path(BSTR path) override { return Call("put_Path", Narrow(path)); }
    UNEXPECTED(get_Id, (BSTR*))
    UNEXPECTED(put_Id, (BSTR))
    UNEXPECTED(get_Type, (TASK_ACTION_TYPE*))
    UNEXPECTED(get_Path, (BSTR*))
    UNEXPECTED(get_Arguments, (BSTR*))
    UNEXPECTED(put_Arguments, (BSTR))
    UNEXPECTED(get_WorkingDirectory, (BSTR*))
    UNEXPECTED(put_WorkingDirectory, (BSTR))
};

class FakeActions : public Fake<IActionCollection> {
public:
    FakeActions(FakeTaskScheduler* o, FakeExecAction* a) : Fake(o, "IActionCollection", IID_IActionCollection), m_action(a) {}
    HRESULT STDMETHODCALLTYPE Create(TASK_ACTION_TYPE type, IAction** action) override
    {
        return GiveOut<IAction>(Call("Create", std::to_string(type)), m_action, action);
    }
    UNEXPECTED(get_Count, (LONG*))
    UNEXPECTED(get_Item, (LONG, IAction**))
    UNEXPECTED(get__NewEnum, (IUnknown**))
    UNEXPECTED(get_XmlText, (BSTR*))
    UNEXPECTED(put_XmlText, (BSTR))
    UNEXPECTED(Remove, (VARIANT))
    UNEXPECTED(Clear, ())
    UNEXPECTED(get_Context, (BSTR*))
    UNEXPECTED(put_Context, (BSTR))

private:
    FakeExecAction* m_action;
};

class FakeDefinition : public Fake<ITaskDefinition> {
public:
    FakeDefinition(FakeTaskScheduler* o, FakeTriggers* t, FakePrincipal* p, FakeSettings* s, FakeActions* a)
        : Fake(o, "ITaskDefinition", IID_ITaskDefinition), m_triggers(t), m_principal(p), m_settings(s), m_actions(a)
    {
    }
    HRESULT STDMETHODCALLTYPE get_Triggers(ITriggerCollection** out) override
    {
        return GiveOut<ITriggerCollection>(Call("get_Triggers"), m_triggers, out);
    }
    HRESULT STDMETHODCALLTYPE get_Principal(IPrincipal** out) override
    {
        return GiveOut<IPrincipal>(Call("get_Principal"), m_principal, out);
    }
    HRESULT STDMETHODCALLTYPE get_Settings(ITaskSettings** out) override
    {
        return GiveOut<ITaskSettings>(Call("get_Settings"), m_settings, out);
    }
    HRESULT STDMETHODCALLTYPE get_Actions(IActionCollection** out) override
    {
        return GiveOut<IActionCollection>(Call("get_Actions"), m_actions, out);
    }
    UNEXPECTED(get_RegistrationInfo, (IRegistrationInfo**))
    UNEXPECTED(put_RegistrationInfo, (IRegistrationInfo*))
    UNEXPECTED(put_Triggers, (ITriggerCollection*))
    UNEXPECTED(put_Settings, (ITaskSettings*))
    UNEXPECTED(get_Data, (BSTR*))
    UNEXPECTED(put_Data, (BSTR))
    UNEXPECTED(put_Principal, (IPrincipal*))
    UNEXPECTED(put_Actions, (IActionCollection*))
    UNEXPECTED(get_XmlText, (BSTR*))
    UNEXPECTED(put_XmlText, (BSTR))

private:
    FakeTriggers* m_triggers;
    FakePrincipal* m_principal;
    FakeSettings* m_settings;
    FakeActions* m_actions;
};

class FakeFolder : public Fake<ITaskFolder> {
public:
    FakeFolder(FakeTaskScheduler* o, FakeDefinition* d) : Fake(o, "ITaskFolder", IID_ITaskFolder), m_definition(d) {}
    HRESULT STDMETHODCALLTYPE RegisterTaskDefinition(BSTR path, ITaskDefinition* definition, LONG flags, VARIANT user,
                                                     VARIANT password, TASK_LOGON_TYPE logon, VARIANT sddl,
                                                     IRegisteredTask** task) override
    {
        std::string values = Narrow(path) + "," + (definition == m_definition ? "definition" : "other") + "," +
                             std::to_string(flags) + "," + Describe(user) + "," + Describe(password) + "," +
                             std::to_string(logon) + "," + Describe(sddl) + "," + (task ? "result" : "null");
        return Call("RegisterTaskDefinition", values);
    }
    UNEXPECTED(get_Name, (BSTR*))
    UNEXPECTED(get_Path, (BSTR*))
    UNEXPECTED(GetFolder, (BSTR, ITaskFolder**))
    UNEXPECTED(GetFolders, (LONG, ITaskFolderCollection**))
    UNEXPECTED(CreateFolder, (BSTR, VARIANT, ITaskFolder**))
    UNEXPECTED(DeleteFolder, (BSTR, LONG))
    UNEXPECTED(GetTask, (BSTR, IRegisteredTask**))
    UNEXPECTED(GetTasks, (LONG, IRegisteredTaskCollection**))
    UNEXPECTED(DeleteTask, (BSTR, LONG))
    UNEXPECTED(RegisterTask, (BSTR, BSTR, LONG, VARIANT, VARIANT, TASK_LOGON_TYPE, VARIANT, IRegisteredTask**))
    UNEXPECTED(GetSecurityDescriptor, (LONG, BSTR*))
    UNEXPECTED(SetSecurityDescriptor, (BSTR, LONG))

private:
    FakeDefinition* m_definition;
};

class FakeService : public Fake<ITaskService> {
public:
    FakeService(FakeTaskScheduler* o, FakeFolder* f, FakeDefinition* d)
        : Fake(o, "ITaskService", IID_ITaskService), m_folder(f), m_definition(d)
    {
    }
    HRESULT STDMETHODCALLTYPE Connect(VARIANT server, VARIANT user, VARIANT domain, VARIANT password) override
    {
        return Call("Connect", Describe(server) + "," + Describe(user) + "," + Describe(domain) + "," +
                                   Describe(password));
    }
    HRESULT STDMETHODCALLTYPE GetFolder(BSTR path, ITaskFolder** out) override
    {
        return GiveOut<ITaskFolder>(Call("GetFolder", Narrow(path)), m_folder, out);
    }
    HRESULT STDMETHODCALLTYPE NewTask(DWORD flags, ITaskDefinition** out) override
    {
        return GiveOut<ITaskDefinition>(Call("NewTask", std::to_string(flags)), m_definition, out);
    }
    UNEXPECTED(GetRunningTasks, (LONG, IRunningTaskCollection**))
    UNEXPECTED(get_Connected, (VARIANT_BOOL*))
    UNEXPECTED(get_TargetServer, (BSTR*))
    UNEXPECTED(get_ConnectedUser, (BSTR*))
    UNEXPECTED(get_ConnectedDomain, (BSTR*))
    UNEXPECTED(get_HighestVersion, (DWORD*))

private:
    FakeFolder* m_folder;
    FakeDefinition* m_definition;
};

} // namespace

struct FakeObjects {
    explicit FakeObjects(FakeTaskScheduler* o)
        : trigger(o), triggers(o, &trigger), principal(o), settings(o), action(o), actions(o, &action),
          definition(o, &triggers, &principal, &settings, &actions), folder(o, &definition),
          service(o, &folder, &definition)
    {
    }
    FakeTrigger trigger;
    FakeTriggers triggers;
    FakePrincipal principal;
    FakeSettings settings;
    FakeExecAction action;
    FakeActions actions;
    FakeDefinition definition;
    FakeFolder folder;
    FakeService service;
};

FakeTaskScheduler::FakeTaskScheduler() : m_objects(new FakeObjects(this)) {}
FakeTaskScheduler::~FakeTaskScheduler() { delete m_objects; }

HRESULT FakeTaskScheduler::CreateService(ITaskService** service)
{
    HRESULT hr = Call("CoCreateInstance", "TaskScheduler");
    *service = nullptr;
    if (FAILED(hr)) return hr;
    m_objects->service.AddRef();
    *service = &m_objects->service;
    return S_OK;
}

long FakeTaskScheduler::OutstandingReferences() const
{
    const FakeObjects& o = *m_objects;
    return o.trigger.refs + o.triggers.refs + o.principal.refs + o.settings.refs + o.action.refs + o.actions.refs +
           o.definition.refs + o.folder.refs + o.service.refs;
}

HRESULT FakeTaskScheduler::Call(const std::string& name, const std::string& values)
{
    m_calls.push_back(values.empty() ? name : name + "(" + values + ")");
    return name == m_failName ? m_failResult : S_OK;
}
