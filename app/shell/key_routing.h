// Where the message loop sends a key press while the download list exists:
// Ctrl+V pastes anywhere, Tab leaves the list for the bottom panel, Up and
// Down move through the list and never wander among the other controls.
#pragma once

enum class KeyRoute {
    Dispatch,    // the ordinary way: dialog handling, then translation and dispatch
    Paste,       // WM_PASTE to the main window
    FocusPanel,  // the focus moves to the bottom panel
    ToList,      // the same key-down goes to the list window
    FocusList,   // the focus moves back into the list
    Swallow,     // nobody gets it
};

struct KeyPress {
    unsigned key;       // virtual-key code of a WM_KEYDOWN
    bool ctrlDown;
    bool focusInList;   // the focus is the list window or inside it
    bool focusInPanel;  // the focus is the bottom panel or inside it
    bool listHasItems;
};

KeyRoute route_key_down(const KeyPress& press);
