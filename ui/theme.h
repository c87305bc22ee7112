// The light or dark look: the dark-mode answer, the switches that darken
// menus and title bars, the colour table every painter uses by role, and the
// shared fonts and text measuring.
#pragma once

#include <windows.h>

// Colours by role. Roles used only in dark mode stay 0 in light mode.
struct ThemeColours {
    COLORREF windowBackground;
    COLORREF panel;
    COLORREF text;
    COLORREF secondaryText;
    COLORREF accent;
    COLORREF separator;
    COLORREF progressTrack;
    COLORREF listSelection;
    COLORREF link;
    COLORREF selectedItemBackground;
    COLORREF selectedItemBorder;
    COLORREF selectedItemText;
    COLORREF closeGlyph;
    COLORREF closeGlyphHot;
    COLORREF mutedText;
    COLORREF buttonFace;
    COLORREF buttonHot;
    COLORREF buttonPressed;
    COLORREF buttonBorder;
    COLORREF buttonBorderHot;
    COLORREF buttonBorderPressed;
    COLORREF buttonBorderFocused;
    COLORREF disabledText;
    COLORREF toolbarHot;
    COLORREF toolbarPressed;
    COLORREF checkBoxBorder;
    COLORREF checkBoxFace;
    COLORREF checkBoxChecked;
    COLORREF checkMark;
    COLORREF editBackground;
    COLORREF editLine;
    COLORREF editFrame;
    COLORREF editLineFocused;
    COLORREF comboBackground;
    COLORREF comboFrame;
    COLORREF comboArrow;
    COLORREF inputBackground;
    COLORREF inputBackgroundFocused;
    COLORREF inputFrameOuter;
    COLORREF inputFrameInner;
    COLORREF inputFrameFocusedOuter;
    COLORREF inputFrameFocusedInner;
};

extern ThemeColours g_colours;

// Until start-up fixes it, the answer follows the system's app theme.
bool is_dark();
void fix_dark_mode(bool dark);
bool system_prefers_dark();
// Fills g_colours for the current answer and (re)creates the background brush.
void fill_theme_colours();
// Solid brush of the window background colour; lives until exit.
HBRUSH theme_background_brush();

// Dark menus and scroll bars for the whole process, where uxtheme offers it.
void enable_dark_menus();
void set_dark_title_bar(HWND window);

// The system's message font with ClearType; the caller deletes it.
HFONT ui_font();
// The font every window of the program uses, made once by the main window;
// null until then.
extern HFONT g_uiFont;
SIZE measure_text(HWND window, const wchar_t* text);
// A copy of the control's font (or the UI font) with this height and weight.
void set_font_variant(HWND control, int height, int weight);
BOOL CALLBACK set_font_on_child(HWND child, LPARAM font);
// Answers a dark dialog's WM_CTLCOLOR* for its statics and itself: text
// colour on the window background, and the background brush to return.
INT_PTR dark_dialog_colours(HDC dc);

// Transparent text, and the brush origin moved so that a patterned parent
// brush handed to the control lines up with the parent's own painting.
void prepare_control_colours(HDC dc, HWND parent, HWND control);
