// The custom controls as a user meets them: the link that is sometimes plain
// text, the picture that animates, the spinner's dots, controls fitted to
// their text and the dark input frame. Pictures of them in the light and the
// dark look are kept as test artefacts.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "base/gdiplus.h"
#include "base/win_handles.h"
#include "tests/win_test_support.h"
#include "tests/window_capture.h"
#include "ui/fit_to_text.h"
#include "ui/image_control.h"
#include "ui/input_frame.h"
#include "ui/spinner.h"
#include "ui/spinner_curve.h"
#include "ui/static_link.h"
#include "ui/theme.h"

namespace {

const wchar_t PARENT_CLASS[] = L"TavloControlsTestParent";
constexpr int LINK_ID = 1500;

// What the parent window saw, and the edits it frames.
struct ParentLog {
    int commands = 0;
    int lastId = 0;
    HWND lastControl = nullptr;
    std::vector<HWND> framedEdits;
};

LRESULT CALLBACK parent_proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    auto* log = reinterpret_cast<ParentLog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_COMMAND:
        if (log && lp) {
            ++log->commands;
            log->lastId = LOWORD(wp);
            log->lastControl = reinterpret_cast<HWND>(lp);
        }
        return 0;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, g_colours.text);
        prepare_control_colours(dc, window, reinterpret_cast<HWND>(lp));
        return reinterpret_cast<LRESULT>(theme_background_brush());
    }
    case WM_CTLCOLOREDIT: {
        HDC dc = reinterpret_cast<HDC>(wp);
        bool focused = GetFocus() == reinterpret_cast<HWND>(lp);
        COLORREF background = focused ? g_colours.inputBackgroundFocused : g_colours.inputBackground;
        SetTextColor(dc, g_colours.text);
        SetBkColor(dc, background);
        SetDCBrushColor(dc, background);
        return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT r;
        GetClientRect(window, &r);
        FillRect(dc, &r, theme_background_brush());
        if (log) {
            for (HWND edit : log->framedEdits) {
                draw_input_frame(dc, window, edit);
            }
        }
        EndPaint(window, &ps);
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wp, lp);
    }
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Runs the message loop until done() holds or the time is up; says which.
template <typename Done>
bool pump_until(Done done, DWORD ms = 3000) {
    DWORD start = GetTickCount();
    for (;;) {
        pump();
        if (done()) {
            return true;
        }
        if (GetTickCount() - start > ms) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Paints everything now and gives the display a moment to show it.
void settle(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pump_until([] { return false; }, 250);
}

// A borderless top-level window in the theme's background.
class TestParent {
public:
    TestParent(int width, int height) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = parent_proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = PARENT_CLASS;
        RegisterClassExW(&wc);
        window = CreateWindowExW(WS_EX_TOPMOST, PARENT_CLASS, L"Controls", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 40,
                                 40, width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&log));
        SetForegroundWindow(window);
        pump();
    }
    ~TestParent() {
        DestroyWindow(window);
        pump();
    }
    TestParent(const TestParent&) = delete;
    TestParent& operator=(const TestParent&) = delete;

    HWND button(const wchar_t* text, int x, int y, int id) const {
        return CreateWindowExW(0, L"Button", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y, 80, 24, window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    }

    HWND window = nullptr;
    ParentLog log;
};

class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    }
    ~GdiplusSession() { Gdiplus::GdiplusShutdown(token_); }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
};

void use_theme(bool dark) {
    fix_dark_mode(dark);
    fill_theme_colours();
}

const wchar_t* theme_name(bool dark) {
    return dark ? L"dark" : L"light";
}

std::wstring picture_name(const wchar_t* what, bool dark) {
    return std::wstring(what) + L"-" + theme_name(dark) + L".png";
}

// Text extent in a font, measured here without the product's helpers.
SIZE extent(HFONT font, const std::wstring& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size;
}

SIZE window_size(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

POINT position_in_parent(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top};
}

// The pointer as the user moves it, and the left button.
void move_pointer_to(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = ((r.left + r.right) / 2) * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = ((r.top + r.bottom) / 2) * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

void move_pointer_away() {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = 65000;
    input.mi.dy = 65000;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

void click() {
    INPUT input[2] = {};
    input[0].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].type = INPUT_MOUSE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

bool same_colour(COLORREF a, COLORREF b, int tolerance = 0) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// The longest run of pixels of exactly this colour in any one row: an
// underline is a run as wide as the text.
int longest_run(const Capture& picture, COLORREF colour) {
    int best = 0;
    for (int y = 0; y < picture.height; ++y) {
        int run = 0;
        for (int x = 0; x < picture.width; ++x) {
            run = picture.at(x, y) == colour ? run + 1 : 0;
            best = run > best ? run : best;
        }
    }
    return best;
}

// ---------------------------------------------------------------- StaticLinkCtrl

class LinkControl : public ::testing::Test {
protected:
    void SetUp() override { use_theme(false); }

    HWND make_link(TestParent& parent, StaticLinkState& state, const wchar_t* text, DWORD style, int x, int y) {
        state.textColour = g_colours.text;
        state.linkColour = g_colours.link;
        HWND link = create_link_control(&state, text, WS_VISIBLE | WS_TABSTOP | style, x, y, parent.window, LINK_ID,
                                        GetModuleHandleW(nullptr));
        if (link) {
            SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
        }
        return link;
    }

    GdiplusSession gdiplus_;
    UniqueGdi<HFONT> font_{ui_font()};
};

TEST_F(LinkControl, PlainTextPassesTheTabFocusOnAndIgnoresClicks) {
    TestParent parent(400, 120);
    HWND before = parent.button(L"Before", 10, 10, 1);
    StaticLinkState state = {};
    HWND link = make_link(parent, state, L"https://www.example.com/watch?v=1", 0, 10, 44);
    ASSERT_NE(link, nullptr);
    HWND after = parent.button(L"After", 10, 80, 2);
    settle(parent.window);

    SetFocus(before);
    SetFocus(link);  // as Tab from "Before" would
    EXPECT_EQ(GetFocus(), after);
    EXPECT_FALSE(state.focused);

    SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageW(link, WM_KEYDOWN, VK_RETURN, 1);
    move_pointer_to(link);
    click();
    pump_until([] { return false; }, 300);
    EXPECT_EQ(parent.log.commands, 0);
    EXPECT_FALSE(state.hovered);

    // Switched to a link, it is clickable at once.
    state.link = true;
    InvalidateRect(link, nullptr, FALSE);
    SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(parent.log.commands, 1);
    EXPECT_EQ(parent.log.lastId, LINK_ID);
    EXPECT_EQ(parent.log.lastControl, link);

    move_pointer_away();
    pump_until([] { return false; }, 200);
    move_pointer_to(link);
    EXPECT_TRUE(pump_until([&] { return state.hovered; }));
    click();
    EXPECT_TRUE(pump_until([&] { return parent.log.commands == 2; }));

    SetFocus(link);
    EXPECT_EQ(GetFocus(), link);  // a link keeps the focus
    EXPECT_TRUE(state.focused);
    struct Key {
        WPARAM key;
        LPARAM flags;
        int commands;
    };
    const Key kKeys[] = {
        {VK_RETURN, 1, 3},
        {VK_SPACE, 1, 4},
        {VK_SPACE, 1 | (1 << 30), 4},  // held down: the repeats do nothing
        {'A', 1, 4},
    };
    for (const Key& k : kKeys) {
        SCOPED_TRACE(k.key);
        SendMessageW(link, WM_KEYDOWN, k.key, k.flags);
        EXPECT_EQ(parent.log.commands, k.commands);
    }
    SetFocus(after);
    EXPECT_FALSE(state.focused);
    move_pointer_away();
    EXPECT_TRUE(pump_until([&] { return !state.hovered; }));
}

TEST_F(LinkControl, FocusPassesOverARowOfPlainTextsWithoutCirclingForEver) {
    TestParent parent(400, 120);
    StaticLinkState first = {};
    StaticLinkState second = {};
    HWND a = make_link(parent, first, L"First", 0, 10, 10);
    HWND b = make_link(parent, second, L"Second", 0, 10, 40);
    ASSERT_TRUE(a && b);
    SetFocus(a);  // no other tab stop: the focus goes back to the window
    EXPECT_NE(GetFocus(), a);
    EXPECT_NE(GetFocus(), b);

    HWND button = parent.button(L"OK", 10, 80, 1);
    SetFocus(a);
    EXPECT_EQ(GetFocus(), button);
}

TEST_F(LinkControl, NeverGrowsBeyondItsTextAndCutsALongTextWithTheEllipsis) {
    TestParent parent(700, 200);
    StaticLinkState state = {};
    const wchar_t kShort[] = L"Short title";
    HWND link = make_link(parent, state, kShort, SS_ENDELLIPSIS | SS_NOPREFIX, 10, 10);
    ASSERT_NE(link, nullptr);
    SIZE text = extent(font_.get(), kShort);
    EXPECT_EQ(window_size(link).cx, text.cx);
    EXPECT_EQ(window_size(link).cy, text.cy);

    struct Step {
        const wchar_t* what;
        int offered;       // width the layout asks for, or 0 for a new text
        const wchar_t* text;
        int width;         // expected: -1 for the text's own width
    };
    const wchar_t kLong[] = L"A very long video title that certainly does not fit into the room the item offers";
    const Step kSteps[] = {
        {L"more room than the text needs", 400, nullptr, -1},
        {L"less room: cut", 50, nullptr, 50},
        {L"a long text in the room last offered", 0, kLong, 50},
        {L"room again, still cut at 400", 400, nullptr, 400},
        {L"a short text keeps its own width", 0, kShort, -1},
        {L"the long text again fills the room", 0, kLong, 400},
    };
    const wchar_t* current = kShort;
    for (const Step& s : kSteps) {
        SCOPED_TRACE(s.what);
        if (s.offered) {
            SetWindowPos(link, nullptr, 0, 0, s.offered, text.cy, SWP_NOMOVE | SWP_NOZORDER);
            EXPECT_EQ(state.widthLimit, s.offered);
        } else {
            SetWindowTextW(link, s.text);
            current = s.text;
        }
        int expected = s.width < 0 ? extent(font_.get(), current).cx : s.width;
        EXPECT_EQ(window_size(link).cx, expected);
        EXPECT_EQ(position_in_parent(link).x, 10);  // never moved
    }
    settle(parent.window);
    Capture cut = capture_window(link, true);
    cut.save_png(artifact_path(L"link-ellipsis-light.png"));
    // The ellipsis ends the text near the right edge; the rest of the title is gone.
    int lastInk = -1;
    for (int x = 0; x < cut.width; ++x) {
        for (int y = 0; y < cut.height; ++y) {
            if (!same_colour(cut.at(x, y), g_colours.windowBackground, 40)) {
                lastInk = x;
            }
        }
    }
    EXPECT_GT(lastInk, 400 - 20);
    EXPECT_LT(extent(font_.get(), L"...").cx, 20);
}

TEST_F(LinkControl, DrawFlagsFollowTheStaticStyles) {
    TestParent parent(300, 100);
    struct Case {
        DWORD style;
        UINT flags;
    };
    const UINT base = DT_VCENTER | DT_SINGLELINE;
    const Case kCases[] = {
        {SS_LEFT, base},
        {SS_CENTER, base | DT_CENTER},
        {SS_RIGHT, base | DT_RIGHT},
        {SS_NOPREFIX, base | DT_NOPREFIX},
        {SS_ENDELLIPSIS, base | DT_END_ELLIPSIS | DT_WORD_ELLIPSIS},
        {SS_PATHELLIPSIS, base | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS},
        {SS_WORDELLIPSIS, base | DT_WORD_ELLIPSIS},
        {SS_RIGHT | SS_NOPREFIX | SS_ENDELLIPSIS, base | DT_RIGHT | DT_NOPREFIX | DT_END_ELLIPSIS | DT_WORD_ELLIPSIS},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.style);
        StaticLinkState state = {};
        HWND link = make_link(parent, state, L"Text", c.style, 0, 0);
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(state.drawFlags, c.flags);
        DestroyWindow(link);
        EXPECT_EQ(state.window, nullptr);
        EXPECT_EQ(state.text, nullptr);
    }
}

TEST_F(LinkControl, OneWindowPerStateAndTheHeightFollowsTheFont) {
    TestParent parent(300, 100);
    StaticLinkState state = {};
    HWND link = make_link(parent, state, L"Link", 0, 0, 0);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(create_link_control(&state, L"Again", WS_VISIBLE, 0, 30, parent.window, 2, GetModuleHandleW(nullptr)),
              nullptr);
    wchar_t text[16];
    GetWindowTextW(link, text, 16);
    EXPECT_STREQ(text, L"Link");

    UniqueGdi<HFONT> big(CreateFontW(-28, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(big.get()), TRUE);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(link, WM_GETFONT, 0, 0)), big.get());
    EXPECT_EQ(window_size(link).cy, extent(big.get(), L"Link").cy);
    DestroyWindow(link);
}

class ThemedLink : public LinkControl, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override { use_theme(GetParam()); }
};

TEST_P(ThemedLink, UnderlinedUnderThePointer) {
    bool dark = GetParam();
    TestParent parent(360, 60);
    StaticLinkState state = {};
    state.link = true;
    HWND link = make_link(parent, state, L"How to download a video", 0, 10, 10);
    ASSERT_NE(link, nullptr);
    move_pointer_away();
    pump_until([] { return false; }, 200);
    settle(parent.window);
    Capture plain = capture_window(link, true);
    plain.save_png(artifact_path(picture_name(L"link", dark).c_str()));

    move_pointer_to(link);
    ASSERT_TRUE(pump_until([&] { return state.hovered; }));
    settle(parent.window);
    Capture hovered = capture_window(link, true);
    hovered.save_png(artifact_path(picture_name(L"link-hover", dark).c_str()));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));

    int width = window_size(link).cx;
    EXPECT_LT(longest_run(plain, g_colours.link), width / 2);
    EXPECT_GE(longest_run(hovered, g_colours.link), width * 9 / 10);  // the underline
    EXPECT_EQ(plain.at(0, 0), g_colours.windowBackground);           // the parent's brush behind the text

    move_pointer_away();
    EXPECT_TRUE(pump_until([&] { return !state.hovered; }));
}

TEST_P(ThemedLink, DropDownArrowAtTheRightEdge) {
    bool dark = GetParam();
    TestParent parent(360, 60);
    StaticLinkState state = {};
    state.link = true;
    state.arrow = true;
    HWND link = make_link(parent, state, L"720p", SS_NOPREFIX, 10, 10);
    ASSERT_NE(link, nullptr);
    SetWindowPos(link, nullptr, 0, 0, 300, 20, SWP_NOMOVE | SWP_NOZORDER);  // the item's layout offers room
    SetWindowTextW(link, L"1080p MP4 (H.264)");
    SIZE measured = extent(font_.get(), L"1080p MP4 (H.264)    ");  // with room for the arrow
    EXPECT_EQ(state.textWidth, measured.cx);
    EXPECT_EQ(window_size(link).cx, measured.cx);
    wchar_t text[64];
    GetWindowTextW(link, text, 64);
    EXPECT_STREQ(text, L"1080p MP4 (H.264)");  // the caller's text, without the room
    move_pointer_away();
    settle(parent.window);
    Capture picture = capture_window(link, true);
    picture.save_png(artifact_path(picture_name(L"link-arrow", dark).c_str()));

    int r = picture.width;
    int m = picture.height / 2;
    struct Pixel {
        int x, y;
        bool inside;
    };
    const Pixel kPixels[] = {
        {r - 7, m - 1, true}, {r - 1, m - 1, true}, {r - 4, m, true},  {r - 4, m + 2, true},
        {r - 7, m + 2, false}, {r - 1, m + 2, false}, {r - 4, m - 3, false}, {r - 4, m + 4, false},
    };
    for (const Pixel& p : kPixels) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(picture.at(p.x, p.y) == g_colours.link, p.inside);
    }
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, ThemedLink, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Dark" : "Light"; });

// ---------------------------------------------------------------- GdiImageCtrl

// A GIF of solid frames (at most four colours), each shown for delay hundredths.
std::string make_gif(const std::vector<COLORREF>& colours, int delay, int size = 8) {
    auto word = [](std::string& s, int v) {
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>((v >> 8) & 0xFF);
    };
    std::string gif = "GIF89a";
    word(gif, size);
    word(gif, size);
    gif += '\xF1';  // a global table of four colours
    gif += '\0';
    gif += '\0';
    for (int i = 0; i < 4; ++i) {
        COLORREF c = i < static_cast<int>(colours.size()) ? colours[i] : 0;
        gif += static_cast<char>(GetRValue(c));
        gif += static_cast<char>(GetGValue(c));
        gif += static_cast<char>(GetBValue(c));
    }
    gif += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);  // loop for ever
    for (size_t frame = 0; frame < colours.size(); ++frame) {
        gif += std::string("\x21\xF9\x04\x00", 4);
        word(gif, delay);
        gif += std::string("\x00\x00", 2);
        gif += '\x2C';
        word(gif, 0);
        word(gif, 0);
        word(gif, size);
        word(gif, size);
        gif += '\0';
        // LZW with 3-bit codes: a clear code before every two pixels keeps
        // the code size from growing.
        std::vector<int> codes;
        for (int i = 0; i < size * size; ++i) {
            if (i % 2 == 0) {
                codes.push_back(4);
            }
            codes.push_back(static_cast<int>(frame));
        }
        codes.push_back(5);
        std::string data;
        unsigned bits = 0;
        int count = 0;
        for (int code : codes) {
            bits |= static_cast<unsigned>(code) << count;
            count += 3;
            while (count >= 8) {
                data += static_cast<char>(bits & 0xFF);
                bits >>= 8;
                count -= 8;
            }
        }
        if (count) {
            data += static_cast<char>(bits & 0xFF);
        }
        gif += '\x02';
        for (size_t at = 0; at < data.size(); at += 255) {
            std::string chunk = data.substr(at, 255);
            gif += static_cast<char>(chunk.size());
            gif += chunk;
        }
        gif += '\0';
    }
    gif += '\x3B';
    return gif;
}

std::unique_ptr<Gdiplus::Image> image_from_bytes(const std::string& bytes) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(memory), bytes.data(), bytes.size());
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(memory, TRUE, &stream);
    std::unique_ptr<Gdiplus::Image> image(Gdiplus::Image::FromStream(stream));
    stream->Release();
    return image;
}

UINT time_frames(Gdiplus::Image& image) {
    GUID dimension = {};
    image.GetFrameDimensionsList(&dimension, 1);
    return image.GetFrameCount(&dimension);
}

class ImageControl : public ::testing::Test {
protected:
    void SetUp() override { use_theme(false); }

    HWND make_control(TestParent& parent, GdiImageState& state, DWORD style) {
        return create_image_control(&state, style, 10, 10, 40, 30, parent.window, 950, GetModuleHandleW(nullptr));
    }

    COLORREF shown(HWND control) {
        settle(control);
        return capture_window(control, true).at(3, 3);
    }

    GdiplusSession gdiplus_;
};

TEST_F(ImageControl, ASingleFramePictureStartsNoTimer) {
    TestParent parent(200, 100);
    GdiImageState state = {};
    HWND control = make_control(parent, state, WS_VISIBLE);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(make_control(parent, state, WS_VISIBLE), nullptr);  // one window per state
    {
        Gdiplus::Bitmap picture(16, 16, PixelFormat32bppARGB);
        Gdiplus::Graphics(&picture).Clear(Gdiplus::Color(255, 0, 160, 0));
        ASSERT_TRUE(set_image(&state, &picture));
    }  // the control keeps its own copy
    EXPECT_EQ(state.frameCount, 1u);
    EXPECT_FALSE(state.timerRunning);
    EXPECT_EQ(shown(control), RGB(0, 160, 0));
    ShowWindow(control, SW_HIDE);
    ShowWindow(control, SW_SHOW);
    EXPECT_FALSE(state.timerRunning);

    auto gif = image_from_bytes(make_gif({RGB(200, 0, 0)}, 10));
    ASSERT_TRUE(gif);
    ASSERT_TRUE(set_image(&state, gif.get()));
    EXPECT_EQ(state.frameCount, 1u);
    EXPECT_FALSE(state.timerRunning);
    EXPECT_EQ(shown(control), RGB(200, 0, 0));

    ASSERT_TRUE(set_image(&state, nullptr));
    EXPECT_EQ(state.frameCount, 0u);
    DestroyWindow(control);
    EXPECT_EQ(state.window, nullptr);
}

TEST_F(ImageControl, AGifAnimatesWithItsFrameDelayWhileVisible) {
    TestParent parent(200, 100);
    GdiImageState state = {};
    HWND control = make_control(parent, state, WS_VISIBLE);
    ASSERT_NE(control, nullptr);
    auto gif = image_from_bytes(make_gif({RGB(255, 0, 0), RGB(0, 0, 255)}, 10));
    ASSERT_TRUE(gif);
    ASSERT_EQ(time_frames(*gif), 2u);
    ASSERT_TRUE(set_image(&state, gif.get()));
    gif.reset();  // the control's copy holds every frame
    EXPECT_EQ(state.frameCount, 2u);
    EXPECT_EQ(state.frameDelay, 100u);  // 10 hundredths
    EXPECT_EQ(state.timerId, IMAGE_TIMER_ID);
    EXPECT_TRUE(state.timerRunning);
    // From here the test makes the ticks: the control's own timer would race the pictures.
    KillTimer(control, IMAGE_TIMER_ID);

    // Each tick shows the next frame, round and round.
    const COLORREF kFrames[] = {RGB(255, 0, 0), RGB(0, 0, 255), RGB(255, 0, 0)};
    for (COLORREF expected : kFrames) {
        EXPECT_EQ(shown(control), expected);
        SendMessageW(control, WM_TIMER, IMAGE_TIMER_ID, 0);
    }
    ShowWindow(control, SW_HIDE);
    EXPECT_FALSE(state.timerRunning);
    ShowWindow(control, SW_SHOW);
    EXPECT_TRUE(state.timerRunning);

    struct Delay {
        int hundredths;
        UINT ms;
    };
    const Delay kDelays[] = {{25, 250}, {0, 100}, {1, 100}, {2, 20}};
    for (const Delay& d : kDelays) {
        SCOPED_TRACE(d.hundredths);
        auto other = image_from_bytes(make_gif({RGB(0, 0, 0), RGB(255, 255, 255)}, d.hundredths));
        ASSERT_TRUE(set_image(&state, other.get()));
        EXPECT_EQ(state.frameDelay, d.ms);
        EXPECT_TRUE(state.timerRunning);
        EXPECT_EQ(state.currentFrame, 0u);
    }
    DestroyWindow(control);
    EXPECT_FALSE(state.timerRunning);
}

TEST_F(ImageControl, AHiddenControlWaitsUntilShown) {
    TestParent parent(200, 100);
    GdiImageState state = {};
    auto gif = image_from_bytes(make_gif({RGB(255, 0, 0), RGB(0, 0, 255)}, 10));
    ASSERT_TRUE(set_image(&state, gif.get()));  // before the window exists
    HWND control = make_control(parent, state, 0);
    ASSERT_NE(control, nullptr);
    EXPECT_FALSE(state.timerRunning);
    ShowWindow(control, SW_SHOW);
    EXPECT_TRUE(state.timerRunning);
    DestroyWindow(control);

    GdiImageState visible = {};
    ASSERT_TRUE(set_image(&visible, gif.get()));
    control = make_control(parent, visible, WS_VISIBLE);
    EXPECT_TRUE(visible.timerRunning);  // created visible
    DestroyWindow(control);
}

TEST_F(ImageControl, PicturesComeFromTheResources) {
    // A copy of this program with pictures added to its resources.
    TempFolder folder;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring copy = folder.file(L"pictures.exe");
    ASSERT_TRUE(CopyFileW(self, copy.c_str(), FALSE));
    std::string gif = make_gif({RGB(255, 0, 0), RGB(0, 0, 255)}, 10);
    std::string text = "not a picture";
    HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    UpdateResourceW(update, MAKEINTRESOURCEW(520), MAKEINTRESOURCEW(526), language, gif.data(),
                    static_cast<DWORD>(gif.size()));
    UpdateResourceW(update, MAKEINTRESOURCEW(520), MAKEINTRESOURCEW(527), language, text.data(),
                    static_cast<DWORD>(text.size()));
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
    HMODULE module = LoadLibraryExW(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);

    auto picture = load_resource_image(module, MAKEINTRESOURCEW(526), MAKEINTRESOURCEW(520));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->GetWidth(), 8u);
    EXPECT_EQ(time_frames(*picture), 2u);
    EXPECT_FALSE(load_resource_image(module, MAKEINTRESOURCEW(527), MAKEINTRESOURCEW(520)));  // not a picture
    EXPECT_FALSE(load_resource_image(module, MAKEINTRESOURCEW(528), MAKEINTRESOURCEW(520)));  // missing
    FreeLibrary(module);
}

// ---------------------------------------------------------------- LoadingSpinnerCtl

// The spinner's painter at a chosen phase, white on black.
Capture paint_spinner(int width, int height, double phase) {
    Capture c;
    c.width = width;
    c.height = height;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    memset(bits, 0, static_cast<size_t>(width) * height * 4);
    draw_spinner_dots(dc, width, height, phase, 0xFFFFFFFF);
    GdiFlush();
    c.pixels.assign(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + width * height);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return c;
}

class Spinner : public ::testing::Test {
protected:
    void SetUp() override {
        use_theme(false);
        ASSERT_TRUE(register_spinner_class(GetModuleHandleW(nullptr)));
    }

    static HWND make_spinner(TestParent& parent, int width, int height, DWORD style = WS_VISIBLE) {
        return CreateWindowExW(0, L"LoadingSpinnerCtl", L"", WS_CHILD | style, 8, 8, width, height, parent.window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(906)), GetModuleHandleW(nullptr), nullptr);
    }

    GdiplusSession gdiplus_;
};

TEST_F(Spinner, DotsOfRadiusNineAtTheDesignSizeAndTwiceThatAtDoubleSize) {
    struct Case {
        int width, height;
        double scale;
    };
    const Case kCases[] = {{84, 34, 1.0}, {168, 68, 2.0}};
    for (const Case& c : kCases) {
        for (int dot = 0; dot < 3; ++dot) {
            SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << ", dot " << dot);
            double phase = 0.5 + dot / 6.0;  // this dot full, no hole
            ASSERT_NEAR(spinner_dot(phase, dot).radius, 9.0, 1e-9);
            Capture picture = paint_spinner(c.width, c.height, phase);
            double cx = (25 * dot + 16.5) * c.scale;
            double cy = 17 * c.scale;
            double r = 9 * c.scale;
            int row = static_cast<int>(std::floor(cy));
            struct Pixel {
                int x;
                bool inside;
            };
            // Whole pixels just inside and just outside the circle, both sides.
            const Pixel kPixels[] = {
                {static_cast<int>(std::floor(cx)), true},
                {static_cast<int>(std::floor(cx + r - 1.5)), true},
                {static_cast<int>(std::ceil(cx - r + 0.5)), true},
                {static_cast<int>(std::ceil(cx + r + 0.5)), false},
                {static_cast<int>(std::floor(cx - r - 1.5)), false},
            };
            for (const Pixel& p : kPixels) {
                SCOPED_TRACE(p.x);
                COLORREF pixel = picture.at(p.x, row);
                EXPECT_EQ(same_colour(pixel, RGB(255, 255, 255), 4), p.inside);
                EXPECT_EQ(same_colour(pixel, RGB(0, 0, 0), 4), !p.inside);
            }
            // Whole pixels just inside, above and below the centre.
            auto column = static_cast<int>(cx);
            EXPECT_TRUE(same_colour(picture.at(column, static_cast<int>(cy - r + 1)), RGB(255, 255, 255), 4));
            EXPECT_TRUE(same_colour(picture.at(column, static_cast<int>(cy + r - 2)), RGB(255, 255, 255), 4));
        }
        if (c.scale == 2.0) {
            // One period in ten steps, one above the other, for the eye.
            Capture strip;
            strip.width = c.width;
            for (int step = 0; step < 10; ++step) {
                Capture frame = paint_spinner(c.width, c.height, step / 10.0);
                strip.pixels.insert(strip.pixels.end(), frame.pixels.begin(), frame.pixels.end());
                strip.height += frame.height;
            }
            strip.save_png(artifact_path(L"spinner-period.png"));
        }
        // Half a period in, the second dot is a ring: its centre is empty.
        Capture ring = paint_spinner(c.width, c.height, 0.5);
        EXPECT_EQ(ring.at(static_cast<int>(41.5 * c.scale), static_cast<int>(17 * c.scale)), RGB(0, 0, 0));
        EXPECT_TRUE(same_colour(ring.at(static_cast<int>(41.5 * c.scale + 7 * c.scale), static_cast<int>(17 * c.scale)),
                                RGB(255, 255, 255), 4));
    }
}

// Whether every pixel unlike the background lies on one of the three dots.
bool only_dots(const Capture& picture, COLORREF background, double scale, int* dotPixels) {
    *dotPixels = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (picture.at(x, y) == background) {
                continue;
            }
            ++*dotPixels;
            bool onDot = false;
            for (int i = 0; i < 3; ++i) {
                double dx = x + 0.5 - (25 * i + 16.5) * scale;
                double dy = y + 0.5 - 17 * scale;
                onDot = onDot || std::sqrt(dx * dx + dy * dy) <= 9 * scale + 1.5;
            }
            if (!onDot) {
                return false;
            }
        }
    }
    return true;
}

TEST_F(Spinner, RunsOnTheParentsBackgroundAndStops) {
    for (bool dark : {false, true}) {
        SCOPED_TRACE(theme_name(dark));
        use_theme(dark);
        TestParent parent(200, 100);
        HWND spinner = make_spinner(parent, 84, 34);
        ASSERT_NE(spinner, nullptr);
        SendMessageW(spinner, SPINNER_SET_DOT_COLOUR, 0, dark ? 0xFFCDCDCD : 0xFF0078D7);
        EXPECT_EQ(SendMessageW(spinner, SPINNER_IS_RUNNING, 0, 0), 1);
        settle(parent.window);
        Capture running = capture_window(spinner, true);
        running.save_png(artifact_path(picture_name(L"spinner", dark).c_str()));
        int dotPixels = 0;
        EXPECT_EQ(running.at(0, 0), g_colours.windowBackground);  // the parent supplies the background
        EXPECT_TRUE(only_dots(running, g_colours.windowBackground, 1.0, &dotPixels));
        EXPECT_GT(dotPixels, 40);  // at every moment at least one dot is well grown

        SendMessageW(spinner, SPINNER_RUN, 0, 0);
        EXPECT_EQ(SendMessageW(spinner, SPINNER_IS_RUNNING, 0, 0), 0);
        settle(parent.window);
        Capture stopped = capture_window(spinner, true);
        EXPECT_TRUE(only_dots(stopped, g_colours.windowBackground, 1.0, &dotPixels));
        EXPECT_EQ(dotPixels, 0);

        SendMessageW(spinner, SPINNER_RUN, 1, 0);
        SendMessageW(spinner, SPINNER_SET_INTERVAL, 0, 0);
        SendMessageW(spinner, SPINNER_SET_BACKGROUND, 0, RGB(20, 30, 40));
        SetWindowPos(spinner, nullptr, 0, 0, 168, 68, SWP_NOMOVE | SWP_NOZORDER);
        settle(parent.window);
        Capture doubled = capture_window(spinner, true);
        doubled.save_png(artifact_path(picture_name(L"spinner-double", dark).c_str()));
        EXPECT_EQ(doubled.at(0, 0), RGB(20, 30, 40));
        EXPECT_TRUE(only_dots(doubled, RGB(20, 30, 40), 2.0, &dotPixels));
        EXPECT_GT(dotPixels, 4 * 40);
        DestroyWindow(spinner);
    }
}

TEST_F(Spinner, ClicksGoThroughToWhatLiesBelow) {
    TestParent parent(200, 100);
    HWND spinner = make_spinner(parent, 84, 34);
    ASSERT_NE(spinner, nullptr);
    EXPECT_EQ(SendMessageW(spinner, WM_NCHITTEST, 0, MAKELPARAM(60, 60)), HTTRANSPARENT);
    RECT r;
    GetWindowRect(spinner, &r);
    POINT inside = {r.left + 10, r.top + 10};
    EXPECT_EQ(WindowFromPoint(inside), parent.window);
    DestroyWindow(spinner);
}

// ---------------------------------------------------------------- fit_to_text

TEST(FitToText, SizesTheControlToItsTextWithoutMovingIt) {
    use_theme(false);
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LINK_CLASS};
    InitCommonControlsEx(&icc);
    TestParent parent(600, 200);
    UniqueGdi<HFONT> fallback(ui_font());
    UniqueGdi<HFONT> big(CreateFontW(-24, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    const std::wstring kLong(300, L'x');
    struct Case {
        const wchar_t* className;
        DWORD style;
        std::wstring text;
        HFONT font;            // null: the control has none, the UI font measures
        std::wstring measured;  // what counts
        int extra;
    };
    const Case kCases[] = {
        {L"Static", 0, L"Please wait...", nullptr, L"Please wait...", 0},
        {L"Static", 0, L"Please wait...", big.get(), L"Please wait...", 0},
        {L"Static", 0, kLong, nullptr, std::wstring(260, L'x'), 0},  // at most 260 characters
        {L"Button", BS_AUTOCHECKBOX, L"Remember my choice", big.get(), L"Remember my choice", 20},
        {L"SysLink", 0, L"Visit <a href=\"https://example.com\">our site</a> today", big.get(), L"our site", 0},
        {L"SysLink", 0, L"<A>first</a> and <a>second</A>", big.get(), L"first</a> and <a>second", 0},
        {L"SysLink", 0, L"No markup at all", big.get(), L"No markup at all", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.className << ": " << std::string(c.text.begin(), c.text.end()));
        HWND control = CreateWindowExW(0, c.className, c.text.c_str(), WS_CHILD | WS_VISIBLE | c.style, 30, 40, 300, 30,
                                       parent.window, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!control) {
            ADD_FAILURE() << "no " << std::string(c.className, c.className + wcslen(c.className)) << " control";
            continue;
        }
        if (c.font) {
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(c.font), FALSE);
        }
        fit_to_text(control);
        SIZE expected = extent(c.font ? c.font : fallback.get(), c.measured);
        EXPECT_EQ(window_size(control).cx, expected.cx + c.extra);
        EXPECT_EQ(window_size(control).cy, expected.cy);
        EXPECT_EQ(position_in_parent(control).x, 30);
        EXPECT_EQ(position_in_parent(control).y, 40);
        DestroyWindow(control);
    }
}

// ---------------------------------------------------------------- the dark input frame

TEST(InputFrame, FlatEditsInRoundedFramesTheFocusedOneWithTheAccent) {
    GdiplusSession gdiplus;
    use_theme(true);
    TestParent parent(320, 110);
    HWND edits[2];
    for (int i = 0; i < 2; ++i) {
        edits[i] = CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", i ? L"C:\\Users\\me\\Videos" : L"127.0.0.1:8080",
                                   WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 20, 15 + 45 * i, 280, 30,
                                   parent.window, nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(edits[i], WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        flatten_input(edits[i]);
        parent.log.framedEdits.push_back(edits[i]);
        EXPECT_EQ(GetWindowLongPtrW(edits[i], GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
        EXPECT_EQ(position_in_parent(edits[i]).x, 24);
        EXPECT_EQ(position_in_parent(edits[i]).y, 19 + 45 * i);
        EXPECT_EQ(window_size(edits[i]).cx, 272);
        EXPECT_EQ(window_size(edits[i]).cy, 22);
    }
    SetFocus(edits[1]);
    settle(parent.window);
    Capture picture = capture_window(parent.window, true);
    picture.save_png(artifact_path(L"input-frame-dark.png"));

    // Frame rectangles: the edit grown by 4 pixels, (20, 15 + 45i) to (300, 45 + 45i).
    struct Pixel {
        const char* what;
        int x, y;
        COLORREF colour;
    };
    const Pixel kPixels[] = {
        {"outline, top", 160, 15, RGB(47, 47, 47)},
        {"outline, left", 20, 30, RGB(47, 47, 47)},
        {"bottom line", 160, 44, RGB(62, 62, 62)},
        {"inside the frame", 22, 30, RGB(44, 44, 44)},
        {"outside the frame", 18, 30, RGB(25, 25, 25)},
        {"rounded corner", 20, 15, RGB(25, 25, 25)},
        {"focused: outline, top", 160, 60, RGB(59, 59, 59)},
        {"focused: accent line", 160, 89, RGB(76, 194, 255)},
        {"focused: inside", 22, 75, RGB(34, 34, 34)},
    };
    for (const Pixel& p : kPixels) {
        SCOPED_TRACE(p.what);
        EXPECT_TRUE(same_colour(picture.at(p.x, p.y), p.colour, 3))
            << std::hex << picture.at(p.x, p.y) << " instead of " << p.colour;
    }
}

// ---------------------------------------------------------------- all together

class ControlsPicture : public ::testing::TestWithParam<bool> {};

TEST_P(ControlsPicture, EveryControlInOneWindow) {
    GdiplusSession gdiplus;
    bool dark = GetParam();
    use_theme(dark);
    ASSERT_TRUE(register_spinner_class(GetModuleHandleW(nullptr)));
    TestParent parent(460, 230);
    UniqueGdi<HFONT> font(ui_font());
    HINSTANCE instance = GetModuleHandleW(nullptr);

    StaticLinkState plain = {};
    plain.textColour = g_colours.text;
    plain.linkColour = g_colours.link;
    StaticLinkState link = plain;
    link.link = true;
    StaticLinkState arrow = link;
    arrow.arrow = true;
    HWND plainWindow = create_link_control(&plain, L"https://www.example.com/watch?v=plain", WS_VISIBLE | WS_TABSTOP,
                                           120, 12, parent.window, 1, instance);
    HWND linkWindow = create_link_control(&link, L"A video title as a link", WS_VISIBLE | WS_TABSTOP, 120, 36,
                                          parent.window, 2, instance);
    HWND arrowWindow = create_link_control(&arrow, L"1080p MP4", WS_VISIBLE | WS_TABSTOP | SS_NOPREFIX, 120, 60,
                                           parent.window, 3, instance);
    for (HWND w : {plainWindow, linkWindow, arrowWindow}) {
        ASSERT_NE(w, nullptr);
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }

    GdiImageState image = {};
    ASSERT_NE(create_image_control(&image, WS_VISIBLE, 12, 12, 89, 50, parent.window, 950, instance), nullptr);
    {
        Gdiplus::Bitmap thumbnail(89, 50, PixelFormat32bppARGB);
        Gdiplus::Graphics g(&thumbnail);
        Gdiplus::LinearGradientBrush sky(Gdiplus::Point(0, 0), Gdiplus::Point(0, 50), Gdiplus::Color(255, 40, 90, 160),
                                         Gdiplus::Color(255, 230, 170, 90));
        g.FillRectangle(&sky, 0, 0, 89, 50);
        ASSERT_TRUE(set_image(&image, &thumbnail));
    }

    HWND spinner = CreateWindowExW(0, L"LoadingSpinnerCtl", L"", WS_CHILD | WS_VISIBLE, 12, 80, 84, 34, parent.window,
                                   nullptr, instance, nullptr);
    SendMessageW(spinner, SPINNER_SET_DOT_COLOUR, 0, dark ? 0xFFCDCDCD : 0xFF0078D7);

    HWND fitted = CreateWindowExW(0, L"Static", L"Please wait...", WS_CHILD | WS_VISIBLE, 120, 90, 300, 40,
                                  parent.window, nullptr, instance, nullptr);
    SendMessageW(fitted, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    fit_to_text(fitted);

    if (dark) {
        HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"127.0.0.1:8080",
                                    WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 16, 140, 300, 30, parent.window, nullptr,
                                    instance, nullptr);
        SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        flatten_input(edit);
        parent.log.framedEdits.push_back(edit);
        HWND focused = CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"--no-mtime", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL,
                                       16, 180, 300, 30, parent.window, nullptr, instance, nullptr);
        SendMessageW(focused, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        flatten_input(focused);
        parent.log.framedEdits.push_back(focused);
        SetFocus(focused);
    }
    move_pointer_to(linkWindow);
    pump_until([&] { return link.hovered; });
    settle(parent.window);
    Capture picture = capture_window(parent.window, true);
    EXPECT_TRUE(picture.save_png(artifact_path(picture_name(L"controls", dark).c_str())));
    move_pointer_away();
    pump();
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, ControlsPicture, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Dark" : "Light"; });

}  // namespace
