#include "app/tools/progress_text.h"

#include <cmath>

#include "base/text.h"
#include "ui/locale_format.h"
#include "ui/translation.h"

namespace {

constexpr size_t UNIT_CAPACITY = 8;  // a translated unit keeps at most 7 characters

const wchar_t* size_unit(int index) {
    switch (index) {
    case 0: return translate(L"KB");
    case 1: return translate(L"MB");
    case 2: return translate(L"GB");
    default: return translate(L"TB");
    }
}

// The value with one or no decimal, rounded as printf's "%.1f" / "%.0f" round
// an exact binary value (halves to even). Written here rather than through
// printf: the progress lines come several times a second, and the C
// runtimes round halves differently.
void format_fixed(double value, bool oneDecimal, wchar_t (&out)[32]) {
    double scaled = std::nearbyint(oneDecimal ? value * 10.0 : value);
    if (!(scaled >= 0.0) || scaled >= 1e19) {
        scaled = 0.0;
    }
    auto units = static_cast<uint64_t>(scaled);
    size_t n = format_decimal(oneDecimal ? units / 10 : units, out);
    if (oneDecimal) {
        out[n++] = L'.';
        out[n++] = static_cast<wchar_t>(L'0' + units % 10);
    }
    out[n] = 0;
}

}  // namespace

size_t format_decimal(uint64_t value, wchar_t* out) {
    wchar_t digits[20];
    size_t n = 0;
    do {
        digits[n++] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value);
    for (size_t i = 0; i < n; ++i) {
        out[i] = digits[n - 1 - i];
    }
    out[n] = 0;
    return n;
}

void format_byte_size(uint64_t bytes, wchar_t* out, size_t capacity) {
    if (!out || capacity == 0) {
        return;
    }
    if (bytes < 1024) {
        wchar_t number[24];
        format_decimal(bytes, number);
        text_copy(out, capacity, number);
        text_append(out, capacity, L" B");
        return;
    }
    double value = static_cast<double>(bytes) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit < 3) {
        value /= 1024.0;
        ++unit;
    }
    wchar_t number[32];
    format_fixed(value, value < 10.0, number);
    wchar_t local[LOCAL_NUMBER_CAPACITY];
    localize_decimal_point(number, local);
    wchar_t unitText[UNIT_CAPACITY];
    text_copy(unitText, size_unit(unit));
    text_copy(out, capacity, local);
    text_append(out, capacity, L" ");
    text_append(out, capacity, unitText);
}

void localize_decimal_point(const wchar_t* number, wchar_t (&out)[LOCAL_NUMBER_CAPACITY]) {
    size_t n = text_copy(out, number);
    wchar_t separator = interface_decimal_separator();
    if (separator == L'.') {
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        if (out[i] == L'.') {
            out[i] = separator;
        }
    }
}

void format_time_left(int64_t seconds, wchar_t (&out)[TIME_LEFT_CAPACITY]) {
    out[0] = 0;
    // The table exists from start-up on (empty for English); before that
    // there is no interface to show the text in.
    if (seconds <= 0 || !g_translation) {
        return;
    }
    int64_t n = seconds < 60 ? seconds : seconds / 60;
    const wchar_t* text;
    if (seconds >= 60) {
        text = n == 1 ? translate(L"1 min left") : translate(L"N min left");
    } else {
        text = n == 1 ? translate(L"1 sec left") : translate(L"N sec left");
    }
    wchar_t number[24];
    format_decimal(static_cast<uint64_t>(n), number);
    if (text_find(text, L"{n}")) {
        wchar_t work[REPLACE_LIMIT];
        text_copy(work, text);
        replace_all(work, L"{n}", number);
        text_copy(out, work);
    } else if (text[0] == L'N' && (text[1] == 0 || text[1] == L' ')) {
        text_copy(out, number);
        text_append(out, text + 1);
    } else {
        text_copy(out, text);
    }
}

void replace_all(wchar_t* text, size_t capacity, const wchar_t* find, const wchar_t* replacement) {
    if (!text || capacity == 0 || !find || !*find) {
        return;
    }
    if (!text_find(text, find)) {
        return;
    }
    size_t findLength = text_length(find);
    size_t replacementLength = text_length(replacement);
    size_t limit = capacity < REPLACE_LIMIT ? capacity : REPLACE_LIMIT;
    wchar_t result[REPLACE_LIMIT];
    result[0] = 0;
    size_t used = 0;
    const wchar_t* p = text;
    while (*p && used + 1 < limit) {
        const wchar_t* next = text_find(p, find);
        size_t plain = next ? static_cast<size_t>(next - p) : text_length(p);
        used = text_append_n(result, limit, p, plain);
        if (!next) {
            break;
        }
        used = text_append_n(result, limit, replacement, replacementLength);
        p = next + findLength;
    }
    text_copy(text, capacity, result);
}
