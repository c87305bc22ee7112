#include "setup/update_task.h"

#include <windows.h>

#include <oleauto.h>
#include <taskschd.h>

#include "base/text.h"
#include "base/win_handles.h"

namespace {

// The logon trigger's own interface, which MinGW-w64's taskschd.h lacks; the
// layout and identifier are those of the Windows SDK's ILogonTrigger.
struct LogonTriggerInterface : public ITrigger {
    virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR* delay) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_UserId(BSTR* user) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_UserId(BSTR user) = 0;
};
const IID IID_LOGON_TRIGGER = {0x72dade38, 0xfae4, 0x4b3e, {0xba, 0xf4, 0x5d, 0x00, 0x9a, 0xf0, 0x2b, 0x1c}};

class Bstr {
public:
    explicit Bstr(const wchar_t* text) : value_(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return value_; }
    explicit operator bool() const { return value_ != nullptr; }

private:
    BSTR value_;
};

VARIANT empty_variant() {
    VARIANT v;
    VariantInit(&v);
    return v;
}

// The common start: COM security for the task service (a second call in
// the same process fails harmlessly), the service connected to this machine.
bool connect(ComPtr<ITaskService>& service) {
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY, RPC_C_IMP_LEVEL_IMPERSONATE,
                         nullptr, 0, nullptr);
    if (FAILED(CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                reinterpret_cast<void**>(service.put())))) {
        return false;
    }
    return SUCCEEDED(service->Connect(empty_variant(), empty_variant(), empty_variant(), empty_variant()));
}

// A folder path such as "\\" or "\\Tavlo". A folder below the root that
// does not exist yet is made (registering needs one); the root itself
// always exists where the service runs, so failing to get it ends here.
bool task_folder(ITaskService* service, const wchar_t* path, ComPtr<ITaskFolder>& folder, bool create) {
    Bstr name(path);
    if (!name) {
        return false;
    }
    if (SUCCEEDED(service->GetFolder(name.get(), folder.put())) && folder) {
        return true;
    }
    Bstr root(L"\\");
    ComPtr<ITaskFolder> rootFolder;
    if (!create || !root || text_equal(path, L"\\") ||
        FAILED(service->GetFolder(root.get(), rootFolder.put())) || !rootFolder) {
        return false;
    }
    return SUCCEEDED(rootFolder->CreateFolder(name.get(), empty_variant(), folder.put())) && folder;
}

bool set_author(ITaskDefinition* task) {
    ComPtr<IRegistrationInfo> info;
    Bstr author(L"Tavlo");
    return SUCCEEDED(task->get_RegistrationInfo(info.put())) && info && author &&
           SUCCEEDED(info->put_Author(author.get()));
}

// Runs on battery power, is never ended by the scheduler, has no time limit.
bool set_settings(ITaskDefinition* task) {
    ComPtr<ITaskSettings> settings;
    Bstr noLimit(L"PT0S");
    return SUCCEEDED(task->get_Settings(settings.put())) && settings && noLimit &&
           SUCCEEDED(settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE)) &&
           SUCCEEDED(settings->put_AllowHardTerminate(VARIANT_FALSE)) &&
           SUCCEEDED(settings->put_ExecutionTimeLimit(noLimit.get()));
}

// A logon trigger without a user fires when anyone logs on.
bool add_logon_trigger(ITaskDefinition* task) {
    ComPtr<ITriggerCollection> triggers;
    ComPtr<ITrigger> trigger;
    ComPtr<LogonTriggerInterface> logon;
    if (FAILED(task->get_Triggers(triggers.put())) || !triggers ||
        FAILED(triggers->Create(TASK_TRIGGER_LOGON, trigger.put())) || !trigger ||
        FAILED(trigger->QueryInterface(IID_LOGON_TRIGGER, reinterpret_cast<void**>(logon.put()))) || !logon) {
        return false;
    }
    return SUCCEEDED(logon->put_UserId(nullptr));
}

bool set_principal(ITaskDefinition* task, const wchar_t* group) {
    ComPtr<IPrincipal> principal;
    Bstr groupId(group);
    return SUCCEEDED(task->get_Principal(principal.put())) && principal && groupId &&
           SUCCEEDED(principal->put_GroupId(groupId.get())) &&
           SUCCEEDED(principal->put_RunLevel(TASK_RUNLEVEL_HIGHEST));
}

bool add_action(ITaskDefinition* task, const wchar_t* program, const wchar_t* arguments) {
    ComPtr<IActionCollection> actions;
    ComPtr<IAction> action;
    ComPtr<IExecAction> exec;
    Bstr args(arguments);
    Bstr path(program);
    if (FAILED(task->get_Actions(actions.put())) || !actions || FAILED(actions->Create(TASK_ACTION_EXEC, action.put())) ||
        !action || FAILED(action->QueryInterface(IID_IExecAction, reinterpret_cast<void**>(exec.put()))) || !exec ||
        !args || !path) {
        return false;
    }
    return SUCCEEDED(exec->put_Arguments(args.get())) && SUCCEEDED(exec->put_Path(path.get()));
}

}  // namespace

bool register_update_task(const UpdateTask& t) {
    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> folder;
    if (!connect(service) || !task_folder(service.get(), t.folder, folder, true)) {
        return false;
    }
    Bstr name(t.name);
    if (!name) {
        return false;
    }
    folder->DeleteTask(name.get(), 0);
    ComPtr<ITaskDefinition> task;
    if (FAILED(service->NewTask(0, task.put())) || !task) {
        return false;
    }
    set_author(task.get());
    set_settings(task.get());
    if (!add_logon_trigger(task.get())) {
        return false;
    }
    // Without the principal the registration for the group is refused below.
    set_principal(task.get(), t.groupId);
    if (!add_action(task.get(), t.program, t.arguments)) {
        return false;
    }
    VARIANT security;
    VariantInit(&security);
    security.vt = VT_BSTR;
    security.bstrVal = SysAllocString(L"");
    ComPtr<IRegisteredTask> registered;
    HRESULT hr = folder->RegisterTaskDefinition(name.get(), task.get(), TASK_CREATE_OR_UPDATE, empty_variant(),
                                                empty_variant(), TASK_LOGON_GROUP, security, registered.put());
    VariantClear(&security);
    return SUCCEEDED(hr);
}

bool register_update_task(const wchar_t* program) {
    UpdateTask t = {UPDATE_TASK_FOLDER, UPDATE_TASK_NAME, program, L"-U", L"S-1-5-18"};
    return register_update_task(t);
}

bool delete_update_task(const wchar_t* folderPath, const wchar_t* taskName) {
    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> folder;
    if (!connect(service) || !task_folder(service.get(), folderPath, folder, false)) {
        return false;
    }
    Bstr name(taskName);
    if (!name) {
        return false;
    }
    HRESULT hr = folder->DeleteTask(name.get(), 0);
    return SUCCEEDED(hr) || hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

bool delete_update_task() {
    return delete_update_task(UPDATE_TASK_FOLDER, UPDATE_TASK_NAME);
}
