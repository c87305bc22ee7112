// How the Options dialog looks: its button band, and in the dark look the
// drawn language list, the rounded input frames and the colours of the
// controls.
#pragma once

#include <windows.h>

// The look's own GDI objects, kept in the dialog's state record and freed
// with free_options_look when the dialog is destroyed.
struct OptionsLook {
    HBRUSH editBrush;  // the edits' background, made for editBrushColour
    COLORREF editBrushColour;
    HBRUSH listBrush;  // the open language list's background
};
void free_options_look(OptionsLook& look);

// The "fcSel" property of the language list: 1 + the selected index; the
// drawn list shows that item while nothing is selected.
void set_language_list_mark(HWND combo, int index);

// The band under everything with the OK button, and in the dark look the
// dark background and the frames around the three edits.
void paint_options(HWND dialog, HDC dc, bool dark);
// The list draws its closed face itself from now on (dark look).
void draw_language_list_dark(HWND combo);
// WM_MEASUREITEM and WM_DRAWITEM of the owner-drawn language list.
void measure_language_item(MEASUREITEMSTRUCT& item, HFONT font);
void draw_language_item(const DRAWITEMSTRUCT& item);
// Answers the WM_CTLCOLOR* messages: the brush to return, or 0 to leave the
// message to the system.
INT_PTR options_control_colours(OptionsLook& look, bool dark, UINT message, HDC dc, HWND control);
