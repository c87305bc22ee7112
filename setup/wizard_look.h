// What every page of the wizard shares: the frame's size, the background
// picture as a brush, the colours of texts, buttons and edits in the light
// and dark look, and small builders for the pages' controls.
#pragma once

#include <windows.h>

#include <vector>

struct WizardLook {
    int width;   // the frame's client size; every page is sized to it
    int height;
    HBRUSH background;  // pattern brush of the background picture, or white
};

// Owned by the frame: valid while the wizard runs.
extern WizardLook g_wizardLook;

// A page: a child dialog with no controls, made into a tab group of its own.
std::vector<WORD> page_template();
void size_page(HWND page);
// Makes a page from that template with its dialog procedure and shows it;
// param reaches WM_INITDIALOG. Null when it could not be made.
HWND create_page(HWND frame, DLGPROC procedure, LPARAM param = 0);

// Answers WM_ERASEBKGND and WM_CTLCOLOR* for a page (or the frame): the
// picture, transparent statics on it, buttons on the picture's brush lined
// up with it. Returns 0 for messages it does not answer.
INT_PTR page_colours(HWND page, UINT message, WPARAM wp, LPARAM lp);

// A font like the setup's page font, with this height, weight and face
// (null keeps the face); the caller deletes it.
HFONT page_font(int height, int weight, const wchar_t* face = nullptr, bool antialiased = false);

// A static text sized to its text.
HWND add_text(HWND page, const wchar_t* text, int x, int y, HFONT font);
// A push button (drawn in the dark look) or, with checkBox, a check box.
HWND add_button(HWND page, const wchar_t* text, int id, int x, int y, int width, int height, HFONT font,
                bool isDefault);
HWND add_check_box(HWND page, const wchar_t* text, int id, int x, int y, int width, int height, HFONT font);
// The marquee bar of the progress pages.
HWND add_marquee(HWND page, int x, int y, int width, int height);

// WM_DRAWITEM of the dark look's buttons and check boxes; the owner keeps
// a check box's state.
void draw_page_item(const DRAWITEMSTRUCT& item, bool isCheckBox, bool checked);
// Moves a control horizontally to the centre of the page.
void centre_horizontally(HWND control, int y);
