// What the item window's files share: the window's own state record and the
// handlers one file offers the others. Only app/items includes this.
#pragma once

#include <windows.h>

#include "app/items/download_item.h"
#include "app/items/item_face.h"
#include "app/media/format_menu.h"
#include "ui/image_control.h"
#include "ui/static_link.h"
#include "ui/translation.h"

constexpr int ITEM_BUTTON_WIDTH = 112;
constexpr int ITEM_BUTTON_HEIGHT = 27;
constexpr int ITEM_TEXT_LEFT = THUMBNAIL_WIDTH + 25;  // title, status and progress bar
constexpr int ITEM_FORMAT_LEFT = THUMBNAIL_WIDTH + 45;
constexpr int CLOSE_BOX_WIDTH = 17;
constexpr int CLOSE_BOX_HEIGHT = 18;
constexpr int SELECTED_LOOK = 4;  // DownloadItem::selected while the item is selected

// The three buttons in layout order: main, Login/Retry, Enter password.
constexpr int ITEM_BUTTON_IDS[3] = {ID_ITEM_MAIN_BUTTON, ID_ITEM_LOGIN, ID_ITEM_PASSWORD};

// Lives from WM_INITDIALOG to WM_NCDESTROY of the item window (the window's
// GWLP_USERDATA; DWLP_USER holds the DownloadItem). The link and picture
// states sit here because their controls read them until their own
// WM_NCDESTROY, which comes after the item window's WM_DESTROY.
struct ItemView {
    DownloadItem* item;
    HWND window;
    HWND thumbnail;
    HWND title;
    HWND glyph;
    HWND format;
    HWND status;
    HWND progress;
    HWND closeBox;
    HWND buttons[3];  // as ITEM_BUTTON_IDS
    StaticLinkState titleLink;
    StaticLinkState formatLink;
    GdiImageState picture;
    HFONT ownFont;           // only when the list handed no font
    HBITMAP patternBitmap;   // the normal background: window colour, separator in the bottom row
    HBRUSH normalBrush;      // pattern brush of patternBitmap
    HBRUSH selectedBrush;
    HBRUSH controlBrush;     // normalBrush or selectedBrush, whichever shows now
    bool sampled;            // item->backgroundColour holds a colour read from the screen
    COLORREF brushColour;    // the colour item->backgroundBrush was made in
    FormatMenu* menuModel;   // the format menu as data, rebuilt before every showing
    FormatButton button;     // caption and glyph of the format link
    bool formatMuted;        // a finished item's caption: plain text in the muted colour
    bool firstDocumentShown; // the info of the first document is on screen
    bool startFailed;        // the link could not start its metadata job
    int restoredChoice;      // the choice a restored item was downloaded with; 0 = none
};

ItemView* view_of(HWND window);
ItemView* view_of(const DownloadItem& item);  // null once the window is gone

// Texts through the item's translation table.
const wchar_t* item_text(const DownloadItem& item, const wchar_t* english);

// item_window.cpp: the window, its controls and layout.
HWND create_item_window(DownloadItem& item, HWND list);
bool is_shown(HWND control);
void relayout(ItemView& view);
// Shows the face: every control's visibility, text, link look and enabled
// state, the progress bar and the context menu's Play. The one place where
// the item's look changes with its state.
void apply_item_face(ItemView& view, const ItemFace& face);

// item_window_paint.cpp: brushes, painting, the drawn buttons and close box.
bool make_item_brushes(ItemView& view, int width);
void free_item_brushes(ItemView& view);
void paint_item(ItemView& view);
void print_item_background(ItemView& view, HDC dc);
HBRUSH static_background(ItemView& view, HWND control);
HBRUSH control_background(ItemView& view, HDC dc, HWND control);
void draw_item_button(ItemView& view, const DRAWITEMSTRUCT& draw);
LRESULT close_box_custom_draw(ItemView& view, NMCUSTOMDRAW& draw);
void track_button_hover(HWND button);

// item_lifecycle.cpp: the start sequence, states and commands.
void start_item(ItemView& view);
void on_item_state(ItemView& view, int state);
void on_item_command(ItemView& view, int id, int code, HWND control);
void destroy_item(ItemView& view);
