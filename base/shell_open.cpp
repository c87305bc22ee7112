#include "base/shell_open.h"

#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "base/win_handles.h"

namespace {

// A VARIANT that frees what it holds.
class Variant {
public:
    Variant() { VariantInit(&value); }
    ~Variant() { VariantClear(&value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    bool set_text(const wchar_t* text) {
        VariantClear(&value);
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocString(text);
        return value.bstrVal != nullptr;
    }
    void set_int(LONG number) {
        VariantClear(&value);
        value.vt = VT_I4;
        value.lVal = number;
    }

    VARIANT value;
};

// The Application object of the desktop's folder view: the running shell
// itself, which starts what it opens with the rights of the desktop's user.
HRESULT desktop_shell_dispatch(ComPtr<IShellDispatch2>& shell) {
    ComPtr<IShellWindows> windows;
    HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(windows.put()));
    if (FAILED(hr)) {
        return hr;
    }
    Variant desktopLocation;
    desktopLocation.set_int(CSIDL_DESKTOP);
    Variant noRoot;
    LONG desktopWindow = 0;
    ComPtr<IDispatch> desktop;
    hr = windows->FindWindowSW(&desktopLocation.value, &noRoot.value, SWC_DESKTOP, &desktopWindow,
                               SWFO_NEEDDISPATCH, desktop.put());
    if (FAILED(hr)) {
        return hr;
    }
    if (!desktop) {
        return E_NOINTERFACE;  // succeeded, but there is no desktop window
    }
    ComPtr<IServiceProvider> services;
    if (FAILED(hr = desktop->QueryInterface(IID_PPV_ARGS(services.put())))) {
        return hr;
    }
    ComPtr<IShellBrowser> browser;
    if (FAILED(hr = services->QueryService(SID_STopLevelBrowser, IID_PPV_ARGS(browser.put())))) {
        return hr;
    }
    ComPtr<IShellView> view;
    if (FAILED(hr = browser->QueryActiveShellView(view.put()))) {
        return hr;
    }
    ComPtr<IDispatch> background;
    if (FAILED(hr = view->GetItemObject(SVGIO_BACKGROUND, IID_PPV_ARGS(background.put())))) {
        return hr;
    }
    ComPtr<IShellFolderViewDual> folderView;
    if (FAILED(hr = background->QueryInterface(IID_PPV_ARGS(folderView.put())))) {
        return hr;
    }
    ComPtr<IDispatch> application;
    if (FAILED(hr = folderView->get_Application(application.put()))) {
        return hr;
    }
    return application->QueryInterface(IID_PPV_ARGS(shell.put()));
}

}  // namespace

bool is_folder(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HRESULT open_as_shell_user(const wchar_t* path) {
    // Whatever keeps us from the desktop shell's dispatch object means there
    // is no shell to ask, and callers then take another route: a missing
    // shell-windows server or a desktop without a view counts the same as
    // no desktop window.
    ComPtr<IShellDispatch2> shell;
    if (FAILED(desktop_shell_dispatch(shell)) || !shell) {
        return E_NOINTERFACE;
    }
    Variant file;
    Variant arguments;
    Variant folder;
    Variant verb;
    Variant show;
    if (!file.set_text(path) || !arguments.set_text(L"") || !folder.set_text(L"") || !verb.set_text(L"open")) {
        return E_OUTOFMEMORY;
    }
    show.set_int(SW_SHOWNORMAL);
    // The shell starts the program; let it put the new window in front.
    CoAllowSetForegroundWindow(shell.get(), nullptr);
    return shell->ShellExecute(file.value.bstrVal, arguments.value, folder.value, verb.value, show.value);
}
