// The main window's OLE drop target: text dropped on the window is handed
// to it as links (WM_APP_ADD_LINKS), as a paste would be.
#pragma once

#include <windows.h>
#include <ole2.h>

class CDropTarget final : public IDropTarget {
public:
    explicit CDropTarget(HWND mainWindow) : refs_(1), mainWindow_(mainWindow) {}
    CDropTarget(const CDropTarget&) = delete;
    CDropTarget& operator=(const CDropTarget&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDropTarget
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

private:
    ~CDropTarget() = default;  // through Release only

    LONG refs_;
    HWND mainWindow_;
    bool offersText_ = false;  // what the drag over the window carries
};

// A drop target for the window with one reference, for RegisterDragDrop;
// the caller releases it after RevokeDragDrop. Null when out of memory.
CDropTarget* create_drop_target(HWND mainWindow);
