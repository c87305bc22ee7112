#include "base/sys_string.h"

#ifdef _WIN32
#include <windows.h>
#include <oleauto.h>
#endif
#include <cstdlib>
#include <cstring>

wchar_t* sys_string_alloc(size_t length) {
    if (length > 0x7FFFFFF0) {
        return nullptr;
    }
#ifdef _WIN32
    wchar_t* s = SysAllocStringLen(nullptr, static_cast<UINT>(length));
#else
    auto* s = static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t)));
#endif
    if (s) {
        s[0] = 0;
        s[length] = 0;
    }
    return s;
}

wchar_t* sys_string_new(const wchar_t* text, size_t length) {
    wchar_t* s = sys_string_alloc(length);
    if (s && length) {
        std::memcpy(s, text, length * sizeof(wchar_t));
    }
    return s;
}

void sys_string_free(wchar_t* text) {
#ifdef _WIN32
    SysFreeString(text);
#else
    std::free(text);
#endif
}

void sys_string_replace(wchar_t** slot, wchar_t* fresh) {
    sys_string_free(*slot);
    *slot = fresh;
}
