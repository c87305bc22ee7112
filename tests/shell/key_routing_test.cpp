#include "app/shell/key_routing.h"

#include <gtest/gtest.h>

namespace {

constexpr unsigned TAB = 0x09, UP = 0x26, DOWN = 0x28, DEL = 0x2E, V = 'V', A = 'A', RET = 0x0D;

struct Case {
    const char* what;
    KeyPress press;  // key, ctrl, focus in list, focus in panel, list has items
    KeyRoute route;
};

const Case kCases[] = {
    {"Ctrl+V in the list pastes", {V, true, true, false, true}, KeyRoute::Paste},
    {"Ctrl+V in the panel pastes", {V, true, false, true, false}, KeyRoute::Paste},
    {"Ctrl+V elsewhere pastes", {V, true, false, false, false}, KeyRoute::Paste},
    {"V alone is a letter", {V, false, true, false, true}, KeyRoute::Dispatch},
    {"Tab leaves the list for the panel", {TAB, false, true, false, true}, KeyRoute::FocusPanel},
    {"Up in the list goes to the list", {UP, false, true, false, true}, KeyRoute::ToList},
    {"Down in the list goes to the list", {DOWN, false, true, false, true}, KeyRoute::ToList},
    {"Delete in the list goes to the list", {DEL, false, true, false, true}, KeyRoute::ToList},
    {"Enter in the list takes the ordinary way", {RET, false, true, false, true}, KeyRoute::Dispatch},
    {"Up from the panel returns to a list with items", {UP, false, false, true, true}, KeyRoute::FocusList},
    {"Up from the panel stays when the list is empty", {UP, false, false, true, false}, KeyRoute::Swallow},
    {"Up elsewhere is swallowed", {UP, false, false, false, true}, KeyRoute::Swallow},
    {"Down from the panel is swallowed", {DOWN, false, false, true, true}, KeyRoute::Swallow},
    {"Tab in the panel takes the ordinary way", {TAB, false, false, true, true}, KeyRoute::Dispatch},
    {"Delete outside the list takes the ordinary way", {DEL, false, false, true, true}, KeyRoute::Dispatch},
    {"letters outside the list take the ordinary way", {A, false, false, false, true}, KeyRoute::Dispatch},
};

TEST(KeyRouting, Table) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(route_key_down(c.press), c.route);
    }
}

}  // namespace
