#include "app/services/options_form.h"

#include "base/text.h"
#include "ui/translation.h"

namespace {

int32_t Settings::* const CHECK_FIELDS[CHECK_COUNT] = {&Settings::dark_mode, &Settings::always_on_top,
                                                       &Settings::auto_update, &Settings::use_youtube_account};

bool is_break(wchar_t c) {
    return c == L'\r' || c == L'\n' || c == L'\t';
}

bool is_blank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

template <size_t N>
void set_one_line(wchar_t (&field)[N], const wchar_t* text, bool trim) {
    wchar_t line[N];
    text_copy(line, text ? text : L"");
    for (wchar_t* p = line; *p; ++p) {
        if (is_break(*p)) {
            *p = L' ';
        }
    }
    size_t start = 0;
    size_t end = text_length(line);
    if (trim) {
        while (start < end && is_blank(line[start])) {
            ++start;
        }
        while (end > start && is_blank(line[end - 1])) {
            --end;
        }
    }
    text_copy_n(field, line + start, end - start);
}

}  // namespace

void open_options_form(OptionsForm& form, const Settings& settings) {
    form.before = settings;
    form.working = settings;
}

bool form_check(const OptionsForm& form, OptionsCheck check) {
    return check < CHECK_COUNT && form.working.*CHECK_FIELDS[check] != 0;
}

void form_set_check(OptionsForm& form, OptionsCheck check, bool checked) {
    if (check < CHECK_COUNT) {
        form.working.*CHECK_FIELDS[check] = checked ? 1 : 0;
    }
}

int options_language_index(unsigned languageId) {
    if (languageId == 0x7C04) {
        return 14;
    }
    unsigned primary = languageId & 0x3FF;
    for (int i = 0; i < 16; ++i) {
        if (OPTIONS_LANGUAGES[i] == primary) {
            return i;
        }
    }
    return 1;
}

bool form_pick_language(OptionsForm& form, int index) {
    if (index < 0 || index >= 16) {
        return false;
    }
    if (index != options_language_index(form.working.lang_id)) {
        form.working.lang_id = static_cast<uint16_t>(OPTIONS_LANGUAGES[index]);
    }
    return true;
}

void form_set_texts(OptionsForm& form, const wchar_t* folder, const wchar_t* proxy, const wchar_t* commands) {
    set_one_line(form.working.output_folder, folder, false);
    set_one_line(form.working.proxy_server, proxy, true);
    set_one_line(form.working.commands, commands, true);
}

size_t one_line_text(const wchar_t* source, wchar_t* out, size_t capacity) {
    if (capacity == 0) {
        return 0;
    }
    size_t n = 0;
    for (const wchar_t* p = source; p && *p && n + 1 < capacity; ++p) {
        if (*p == L'\n' && p != source && p[-1] == L'\r') {
            continue;  // CR LF is one break
        }
        out[n++] = is_break(*p) ? L' ' : *p;
    }
    out[n] = 0;
    return n;
}

OptionsChanges options_changes(const OptionsForm& form) {
    const Settings& a = form.before;
    const Settings& b = form.working;
    OptionsChanges changes = {};
    changes.folder = !text_equal(a.output_folder, b.output_folder);
    changes.proxy = !text_equal(a.proxy_server, b.proxy_server);
    changes.commands = !text_equal(a.commands, b.commands);
    changes.useAccount = a.use_youtube_account != b.use_youtube_account;
    changes.alwaysOnTop = a.always_on_top != b.always_on_top;
    changes.restart = a.lang_id != b.lang_id || a.dark_mode != b.dark_mode;
    return changes;
}
