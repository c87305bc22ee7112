// The Options dialog's painting. In the light look the system draws the
// controls on white above a grey button band; in the dark look the dialog
// draws the language list, the frames of the edits, and every colour.
#include "app/services/options_dialog_look.h"

#include <commctrl.h>

#include "app/services/options_dialog.h"
#include "base/text.h"
#include "base/win_handles.h"
#include "ui/input_frame.h"
#include "ui/theme.h"

namespace {

const wchar_t MARK_PROPERTY[] = L"fcSel";
constexpr UINT_PTR COMBO_SUBCLASS = 0x7A52;
constexpr COLORREF LIGHT_BAND = 0xF0F0F0;
constexpr COLORREF LIGHT_BAND_LINE = 0xDFDFDF;
constexpr int BAND_MARGIN = 16;  // the band reaches this far above the OK button's height
constexpr int ARROW_AREA = 19;   // the drawn list's button at its right edge
constexpr int TEXT_LEFT = 4;

void fill(HDC dc, const RECT& r, COLORREF colour) {
    UniqueGdi<HBRUSH> brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.get());
}

int window_height(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return r.bottom - r.top;
}

// The item the closed list shows: the selection, or while there is none
// (the list is being browsed) the one last selected.
int shown_item(HWND combo) {
    auto index = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    if (index < 0) {
        index = static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(combo, MARK_PROPERTY))) - 1;
    }
    return index;
}

void item_text(HWND combo, int index, wchar_t (&out)[64]) {
    out[0] = 0;
    if (index < 0 || SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0) >= 64) {
        return;  // the language names are short; nothing longer is ours
    }
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(out));
}

void paint_combo(HWND combo, HDC dc) {
    const ThemeColours& c = g_colours;
    RECT r;
    GetClientRect(combo, &r);
    fill(dc, r, c.comboBackground);
    if (GetFocus() == combo) {
        RECT focus = {r.left + 3, r.top + 3, r.right - 20, r.bottom - 3};
        fill(dc, focus, c.listSelection);
    }
    {
        UniqueGdi<HBRUSH> frame(CreateSolidBrush(c.comboFrame));
        FrameRect(dc, &r, frame.get());
    }
    int separator = r.right - ARROW_AREA;
    RECT line = {separator, r.top + 1, separator + 1, r.bottom - 1};
    fill(dc, line, c.comboFrame);

    // Eight pixels wide, five high: a polygon without outline leaves out
    // its right and bottom edges.
    int left = separator + (ARROW_AREA - 8 + 1) / 2;
    int top = r.top + (r.bottom - r.top - 5) / 2;
    {
        UniqueGdi<HBRUSH> arrow(CreateSolidBrush(c.comboArrow));
        SelectScope brush(dc, arrow.get());
        SelectScope pen(dc, GetStockObject(NULL_PEN));
        POINT points[3] = {{left, top}, {left + 8, top}, {left + 4, top + 5}};
        Polygon(dc, points, 3);
    }

    wchar_t text[64];
    item_text(combo, shown_item(combo), text);
    RECT textRect = {r.left + TEXT_LEFT, r.top, separator, r.bottom};
    SelectScope font(dc, reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, c.text);
    DrawTextW(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

LRESULT CALLBACK combo_proc(HWND combo, UINT message, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(combo, &ps);
        paint_combo(combo, dc);
        EndPaint(combo, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        paint_combo(combo, reinterpret_cast<HDC>(wp));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        LRESULT result = DefSubclassProc(combo, message, wp, lp);
        InvalidateRect(combo, nullptr, FALSE);
        return result;
    }
    case WM_NCDESTROY:
        RemovePropW(combo, MARK_PROPERTY);
        RemoveWindowSubclass(combo, combo_proc, COMBO_SUBCLASS);
        break;
    default:
        break;
    }
    return DefSubclassProc(combo, message, wp, lp);
}

HBRUSH edit_brush(OptionsLook& look, COLORREF colour) {
    if (!look.editBrush || look.editBrushColour != colour) {
        // The previous brush was used up by the paint that asked for it.
        if (look.editBrush) {
            DeleteObject(look.editBrush);
        }
        look.editBrush = CreateSolidBrush(colour);
        look.editBrushColour = colour;
    }
    return look.editBrush;
}

int control_id(HWND control) {
    return control ? GetDlgCtrlID(control) : 0;
}

}  // namespace

void free_options_look(OptionsLook& look) {
    if (look.editBrush) {
        DeleteObject(look.editBrush);
    }
    if (look.listBrush) {
        DeleteObject(look.listBrush);
    }
    look = {};
}

void set_language_list_mark(HWND combo, int index) {
    SetPropW(combo, MARK_PROPERTY, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(index + 1)));
}

void paint_options(HWND dialog, HDC dc, bool dark) {
    RECT client;
    GetClientRect(dialog, &client);
    if (dark) {
        FillRect(dc, &client, theme_background_brush());
    }
    HWND ok = GetDlgItem(dialog, IDOK);
    int top = client.bottom - (ok ? window_height(ok) : 25) - BAND_MARGIN;
    RECT band = {client.left, top, client.right, client.bottom};
    fill(dc, band, dark ? g_colours.panel : LIGHT_BAND);
    RECT line = {client.left, top - 1, client.right, top};
    fill(dc, line, dark ? g_colours.separator : LIGHT_BAND_LINE);
    if (dark) {
        for (int id : {OPTIONS_FOLDER, OPTIONS_PROXY, OPTIONS_COMMANDS}) {
            HWND edit = GetDlgItem(dialog, id);
            if (edit) {
                draw_input_frame(dc, dialog, edit);
            }
        }
    }
}

void draw_language_list_dark(HWND combo) {
    SetWindowSubclass(combo, combo_proc, COMBO_SUBCLASS, 0);
    InvalidateRect(combo, nullptr, TRUE);
}

// The closed face as tall as the edits and buttons (25 pixels with the
// list's borders), the open items a little roomier than the text.
void measure_language_item(MEASUREITEMSTRUCT& item, HFONT font) {
    if (item.CtlType != ODT_COMBOBOX) {
        return;
    }
    int textHeight = 16;
    HDC dc = GetDC(nullptr);
    if (dc) {
        SelectScope select(dc, font);
        TEXTMETRICW metrics;
        if (GetTextMetricsW(dc, &metrics)) {
            textHeight = metrics.tmHeight;
        }
        ReleaseDC(nullptr, dc);
    }
    item.itemHeight = static_cast<UINT>(item.itemID == static_cast<UINT>(-1) ? 19 : textHeight + 6);
}

void draw_language_item(const DRAWITEMSTRUCT& item) {
    if (item.itemState & ODS_COMBOBOXEDIT) {
        // The closed face, drawn at once on a change of selection.
        paint_combo(item.hwndItem, item.hDC);
        return;
    }
    if (item.itemID == static_cast<UINT>(-1)) {
        return;
    }
    const ThemeColours& c = g_colours;
    bool selected = (item.itemState & ODS_SELECTED) != 0;
    fill(item.hDC, item.rcItem, selected ? c.listSelection : c.comboBackground);
    wchar_t text[64];
    item_text(item.hwndItem, static_cast<int>(item.itemID), text);
    RECT r = item.rcItem;
    r.left += TEXT_LEFT;
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, selected ? c.selectedItemText : c.text);
    DrawTextW(item.hDC, text, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

INT_PTR options_control_colours(OptionsLook& look, bool dark, UINT message, HDC dc, HWND control) {
    if (!dark) {
        if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN || message == WM_CTLCOLORDLG) {
            return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
        }
        return 0;
    }
    const ThemeColours& c = g_colours;
    int id = control_id(control);
    bool edit = message == WM_CTLCOLOREDIT || (message == WM_CTLCOLORSTATIC && id == OPTIONS_FOLDER);
    if (edit) {
        COLORREF background = GetFocus() == control ? c.inputBackgroundFocused : c.inputBackground;
        SetTextColor(dc, c.text);
        if (id == OPTIONS_FOLDER) {
            SetBkMode(dc, TRANSPARENT);
        } else {
            SetBkColor(dc, background);
        }
        return reinterpret_cast<INT_PTR>(edit_brush(look, background));
    }
    if (message == WM_CTLCOLORLISTBOX) {
        if (!look.listBrush) {
            look.listBrush = CreateSolidBrush(c.comboBackground);
        }
        SetTextColor(dc, c.text);
        SetBkColor(dc, c.comboBackground);
        return reinterpret_cast<INT_PTR>(look.listBrush);
    }
    SetTextColor(dc, c.text);
    SetBkColor(dc, c.windowBackground);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(theme_background_brush());
}
