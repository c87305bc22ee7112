#include "app/shell/drop_target.h"

#include <new>
#include <string>

#include "app/app_messages.h"
#include "app/shell/clipboard_text.h"

namespace {

FORMATETC unicode_text_format() {
    FORMATETC format = {};
    format.cfFormat = CF_UNICODETEXT;
    format.dwAspect = DVASPECT_CONTENT;
    format.lindex = -1;
    format.tymed = TYMED_HGLOBAL;
    return format;
}

bool offers_text(IDataObject* data) {
    FORMATETC format = unicode_text_format();
    return data && data->QueryGetData(&format) == S_OK;
}

// A copy, never a move: the source of a move deletes what was dragged (the
// text in an editor, a link in a document) once the drop reports it.
DWORD copy_effect(bool text, DWORD allowed) {
    if (!text) {
        return DROPEFFECT_NONE;
    }
    if (allowed & DROPEFFECT_COPY) {
        return DROPEFFECT_COPY;
    }
    return (allowed & DROPEFFECT_LINK) ? DROPEFFECT_LINK : DROPEFFECT_NONE;
}

}  // namespace

HRESULT STDMETHODCALLTYPE CDropTarget::QueryInterface(REFIID iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CDropTarget::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

ULONG STDMETHODCALLTYPE CDropTarget::Release() {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    offersText_ = offers_text(data);
    if (effect) {
        *effect = copy_effect(offersText_, *effect);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    if (effect) {
        *effect = copy_effect(offersText_, *effect);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::DragLeave() {
    offersText_ = false;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    offersText_ = false;
    FORMATETC format = unicode_text_format();
    STGMEDIUM medium = {};
    bool dropped = false;
    if (data && data->GetData(&format, &medium) == S_OK) {
        std::wstring text;
        if (medium.tymed == TYMED_HGLOBAL && global_unicode_text(medium.hGlobal, text)) {
            SendMessageW(mainWindow_, WM_APP_ADD_LINKS, 0, reinterpret_cast<LPARAM>(text.c_str()));
            dropped = true;
        }
        ReleaseStgMedium(&medium);
    }
    if (effect) {
        *effect = copy_effect(dropped, *effect);
    }
    return S_OK;
}

CDropTarget* create_drop_target(HWND mainWindow) {
    return new (std::nothrow) CDropTarget(mainWindow);
}
