// The main window's drop target as OLE drives it: what a drag offers decides
// the cursor, a drop of text reaches the main window as links, and the drop
// is reported as a copy so that the source never deletes what was dragged.
#include "app/shell/drop_target.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/shell/list_test_window.h"

namespace {

// A data object holding one CF_UNICODETEXT block (or nothing), as a browser
// or an editor hands over a dragged selection.
class TextData final : public IDataObject {
public:
    // bytes: the block's content; it need not end with a zero.
    explicit TextData(const void* bytes, size_t size, bool hasText = true) : hasText_(hasText) {
        block_ = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
        if (bytes) {
            void* p = GlobalLock(block_);
            std::memcpy(p, bytes, size);
            GlobalUnlock(block_);
        }
    }
    ~TextData() { GlobalFree(block_); }
    TextData(const TextData&) = delete;
    TextData& operator=(const TextData&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
            *object = static_cast<IDataObject*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) {
            return DV_E_FORMATETC;
        }
        SIZE_T size = GlobalSize(block_);
        HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
        auto* units = static_cast<wchar_t*>(GlobalLock(copy));
        if (unterminated) {
            // Every unit of the block, however it was rounded up, is text.
            handedBytes = GlobalSize(copy);
            for (size_t i = 0; i < handedBytes / sizeof(wchar_t); ++i) {
                units[i] = L'a';
            }
        } else {
            std::memcpy(units, GlobalLock(block_), size);
            GlobalUnlock(block_);
        }
        GlobalUnlock(copy);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = copy;
        medium->pUnkForRelease = nullptr;  // ReleaseStgMedium frees the block
        ++handed;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        bool text = hasText_ && format && format->cfFormat == CF_UNICODETEXT && (format->tymed & TYMED_HGLOBAL) &&
                    format->dwAspect == DVASPECT_CONTENT;
        return text ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    int handed = 0;  // GetData calls
    bool unterminated = false;  // the handed block is text to its last byte
    size_t handedBytes = 0;

private:
    HGLOBAL block_;
    bool hasText_;
};

TEST(DropTarget, DroppedTextReachesTheMainWindowAsACopy) {
    MainStandIn main;
    CDropTarget* target = create_drop_target(main.window);
    ASSERT_NE(target, nullptr);
    const wchar_t link[] = L"  www.example.com/watch?v=42\r\n";

    struct Case {
        const char* what;
        DWORD allowed;
        DWORD effect;
    };
    const Case kCases[] = {
        {"copy or move offered: copy", DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_COPY},
        {"everything offered: copy", DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, DROPEFFECT_COPY},
        {"link only: link", DROPEFFECT_LINK, DROPEFFECT_LINK},
        {"move only: refused, the source would delete the text", DROPEFFECT_MOVE, DROPEFFECT_NONE},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        TextData data(link, sizeof(link));
        main.texts.clear();
        POINTL at = {10, 10};
        DWORD effect = c.allowed;
        EXPECT_EQ(target->DragEnter(&data, MK_LBUTTON, at, &effect), S_OK);
        EXPECT_EQ(effect, c.effect);
        effect = c.allowed;
        EXPECT_EQ(target->DragOver(MK_LBUTTON, at, &effect), S_OK);
        EXPECT_EQ(effect, c.effect);
        effect = c.allowed;
        EXPECT_EQ(target->Drop(&data, MK_LBUTTON, at, &effect), S_OK);
        EXPECT_EQ(effect, c.effect);
        ASSERT_EQ(main.texts.size(), 1u);
        EXPECT_EQ(main.texts[0], link) << "the whole text goes on; the main window makes it a link";
    }
    EXPECT_EQ(target->Release(), 0u);
}

TEST(DropTarget, DragsWithoutTextAreRefused) {
    MainStandIn main;
    CDropTarget* target = create_drop_target(main.window);
    ASSERT_NE(target, nullptr);
    const char bytes[] = "file list";
    TextData files(bytes, sizeof(bytes), false);
    POINTL at = {0, 0};
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragEnter(&files, 0, at, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(&files, 0, at, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_TRUE(main.texts.empty());
    EXPECT_EQ(target->DragLeave(), S_OK);
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(nullptr, 0, at, &effect), S_OK);
    EXPECT_TRUE(main.texts.empty());
    target->Release();
}

TEST(DropTarget, TextWithoutItsZeroIsReadToTheEndOfItsBlockOnly) {
    MainStandIn main;
    CDropTarget* target = create_drop_target(main.window);
    ASSERT_NE(target, nullptr);
    TextData data(nullptr, 0);
    data.unterminated = true;
    POINTL at = {0, 0};
    DWORD effect = DROPEFFECT_COPY;
    target->Drop(&data, 0, at, &effect);
    ASSERT_EQ(main.texts.size(), 1u);
    ASSERT_GT(data.handedBytes, 0u);
    EXPECT_EQ(main.texts[0], std::wstring(data.handedBytes / sizeof(wchar_t), L'a'));
    target->Release();
}

TEST(DropTarget, AnswersForItsOwnInterfacesOnly) {
    CDropTarget* target = create_drop_target(nullptr);
    ASSERT_NE(target, nullptr);
    void* object = nullptr;
    EXPECT_EQ(target->QueryInterface(IID_IDropTarget, &object), S_OK);
    EXPECT_EQ(object, static_cast<IDropTarget*>(target));
    EXPECT_EQ(target->QueryInterface(IID_IUnknown, &object), S_OK);
    EXPECT_EQ(target->QueryInterface(IID_IDataObject, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(target->Release(), 2u);
    EXPECT_EQ(target->Release(), 1u);
    EXPECT_EQ(target->Release(), 0u);
}

}  // namespace
