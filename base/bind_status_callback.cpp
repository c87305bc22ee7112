#include "base/bind_status_callback.h"

#include <new>

CBindStatusCallback* CBindStatusCallback::create(BindProgressRoutine routine, void* user) {
    return new (std::nothrow) CBindStatusCallback(routine, user);
}

HRESULT CBindStatusCallback::QueryInterface(REFIID iid, void** out) {
    if (!out) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(IBindStatusCallback))) {
        *out = static_cast<IBindStatusCallback*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG CBindStatusCallback::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG CBindStatusCallback::Release() {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

// Returning E_ABORT here is how a transfer is cancelled from outside: the
// moniker asks at every step, so the owner only has to set the flag.
HRESULT CBindStatusCallback::OnProgress(ULONG progress, ULONG maximum, ULONG statusCode, LPCWSTR statusText) {
    if (aborted_) {
        return E_ABORT;
    }
    if (routine_) {
        return routine_(progress, maximum, statusCode, statusText, user_);
    }
    return S_OK;
}
