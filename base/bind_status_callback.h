// The status callback of the URL moniker downloads (the update check and
// download, thumbnails): a reference-counted COM object that hands every
// progress call to an optional routine and cancels the transfer once it has
// been told to abort.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <atomic>

// Called on the transferring thread for every progress report; its result
// is the callback's answer (E_ABORT cancels the transfer).
using BindProgressRoutine = HRESULT (*)(ULONG progress, ULONG maximum, ULONG statusCode, const wchar_t* statusText,
                                        void* user);

class CBindStatusCallback final : public IBindStatusCallback {
public:
    // A new object with one reference; null when out of memory.
    static CBindStatusCallback* create(BindProgressRoutine routine = nullptr, void* user = nullptr);

    // Cancels the transfer at its next progress report. Any thread.
    void abort() { aborted_ = true; }
    bool aborted() const { return aborted_; }
    // Stops the routine being called; for the owner of its user value
    // before that goes away. Only while no transfer runs.
    void detach_routine() {
        routine_ = nullptr;
        user_ = nullptr;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG maximum, ULONG statusCode,
                                         LPCWSTR statusText) override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

private:
    CBindStatusCallback(BindProgressRoutine routine, void* user) : user_(user), routine_(routine) {}
    ~CBindStatusCallback() = default;  // through Release only

    LONG references_ = 1;
    void* user_;
    BindProgressRoutine routine_;
    // Written by the owner's thread, read by the transfer's.
    std::atomic<bool> aborted_{false};
};
