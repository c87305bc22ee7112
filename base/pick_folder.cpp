#include "base/pick_folder.h"

#include <shobjidl.h>

#include "base/text.h"

namespace {

// Releases a COM interface at the end of the scope.
template <typename T>
class ComOwner {
public:
    ComOwner() = default;
    ~ComOwner() {
        if (p_) {
            p_->Release();
        }
    }
    ComOwner(const ComOwner&) = delete;
    ComOwner& operator=(const ComOwner&) = delete;
    T* operator->() const { return p_; }
    T* get() const { return p_; }
    T** put() { return &p_; }

private:
    T* p_ = nullptr;
};

HRESULT run_picker(wchar_t (&out)[MAX_PATH], const wchar_t* initialFolder) {
    ComOwner<IFileOpenDialog> dialog;
    HRESULT hr = CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                  reinterpret_cast<void**>(dialog.put()));
    if (FAILED(hr)) {
        return hr;
    }
    FILEOPENDIALOGOPTIONS options = 0;
    hr = dialog->GetOptions(&options);
    if (FAILED(hr)) {
        return hr;
    }
    hr = dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
    if (FAILED(hr)) {
        return hr;
    }
    if (initialFolder && *initialFolder) {
        ComOwner<IShellItem> start;
        // A folder that no longer exists simply is not the starting point.
        if (SUCCEEDED(SHCreateItemFromParsingName(initialFolder, nullptr, IID_IShellItem,
                                                  reinterpret_cast<void**>(start.put())))) {
            dialog->SetFolder(start.get());
        }
    }
    hr = dialog->Show(nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    ComOwner<IShellItem> result;
    hr = dialog->GetResult(result.put());
    if (FAILED(hr)) {
        return hr;
    }
    wchar_t* path = nullptr;
    hr = result->GetDisplayName(SIGDN_FILESYSPATH, &path);
    if (FAILED(hr)) {
        return hr;
    }
    text_copy(out, path);
    CoTaskMemFree(path);
    return S_OK;
}

}  // namespace

HRESULT pick_folder(wchar_t (&out)[MAX_PATH], const wchar_t* initialFolder) {
    // The program's UI thread has COM already (S_FALSE); the setup program's
    // pages may not. Either way the count is balanced here.
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    HRESULT hr = run_picker(out, initialFolder);
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    return hr;
}
