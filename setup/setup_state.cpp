#include "setup/setup_state.h"

#include "base/text.h"
#include "setup/setup_rules.h"
#include "ui/translation.h"

SetupState g_setup = {};

void product_text(const wchar_t* english, wchar_t* out, size_t capacity) {
    static const wchar_t PLACEHOLDER[] = L"%PROGNAME%";
    const size_t placeholderLength = sizeof(PLACEHOLDER) / sizeof(PLACEHOLDER[0]) - 1;
    const wchar_t* from = translate(english);
    if (!capacity) {
        return;
    }
    out[0] = 0;
    while (from && *from) {
        const wchar_t* found = text_find(from, PLACEHOLDER);
        if (!found) {
            text_append(out, capacity, from);
            break;
        }
        text_append_n(out, capacity, from, static_cast<size_t>(found - from));
        text_append(out, capacity, PRODUCT_NAME);
        from = found + placeholderLength;
    }
}

bool work_folder(wchar_t (&out)[MAX_PATH]) {
    wchar_t temp[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) {
        out[0] = 0;
        return false;
    }
    return join_path(out, MAX_PATH, temp, WORK_FOLDER_NAME);
}

bool work_file(const wchar_t* name, wchar_t (&out)[MAX_PATH]) {
    wchar_t folder[MAX_PATH];
    return work_folder(folder) && join_path(out, MAX_PATH, folder, name);
}

void send_to_wizard(int page) {
    if (g_setup.wizardWindow) {
        SendMessageW(g_setup.wizardWindow, SETUP_GOTO_PAGE, static_cast<WPARAM>(page), 0);
    }
}

void post_to_wizard(int page) {
    if (g_setup.wizardWindow) {
        PostMessageW(g_setup.wizardWindow, SETUP_GOTO_PAGE, static_cast<WPARAM>(page), 0);
    }
}
