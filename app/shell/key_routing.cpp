#include "app/shell/key_routing.h"

namespace {

// Virtual-key codes, spelled out so that the rule builds without windows.h.
constexpr unsigned KEY_TAB = 0x09;
constexpr unsigned KEY_UP = 0x26;
constexpr unsigned KEY_DOWN = 0x28;
constexpr unsigned KEY_DELETE = 0x2E;
constexpr unsigned KEY_V = 'V';

}  // namespace

KeyRoute route_key_down(const KeyPress& press) {
    if (press.key == KEY_V && press.ctrlDown) {
        return KeyRoute::Paste;
    }
    if (press.focusInList) {
        if (press.key == KEY_TAB) {
            return KeyRoute::FocusPanel;
        }
        if (press.key == KEY_UP || press.key == KEY_DOWN || press.key == KEY_DELETE) {
            return KeyRoute::ToList;
        }
        return KeyRoute::Dispatch;
    }
    // Outside the list the arrows would walk the toolbar's buttons and the
    // main window's other children; only Up from the panel means something.
    if (press.key == KEY_DOWN) {
        return KeyRoute::Swallow;
    }
    if (press.key == KEY_UP) {
        return press.focusInPanel && press.listHasItems ? KeyRoute::FocusList : KeyRoute::Swallow;
    }
    return KeyRoute::Dispatch;
}
