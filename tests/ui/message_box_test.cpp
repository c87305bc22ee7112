// The message box as a user meets it: the drawn dark box with its buttons and
// results, and the system box in light mode; pictures of both are kept as
// test artefacts.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "tests/window_capture.h"
#include "ui/message_box.h"
#include "ui/theme.h"

namespace {

// Waits for this process's message box, pictures it, then answers it.
class Responder {
public:
    enum Action { CLICK, CLOSE };
    Responder(Action action, int id, const wchar_t* picture) : action_(action), id_(id), picture_(picture) {
        thread_ = std::thread([this] { run(); });
    }
    ~Responder() { thread_.join(); }

    Capture capture;
    std::atomic<bool> found{false};
    std::atomic<bool> missingButton{false};

private:
    Action action_;
    int id_;
    const wchar_t* picture_;
    std::thread thread_;

    static HWND find_box() {
        struct Search {
            HWND found = nullptr;
        } search;
        EnumWindows(
            [](HWND w, LPARAM lp) -> BOOL {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                wchar_t title[64];
                GetWindowTextW(w, title, 64);
                if (pid == GetCurrentProcessId() && IsWindowVisible(w) && wcscmp(title, L"Tavlo Video Downloader") == 0) {
                    reinterpret_cast<Search*>(lp)->found = w;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    void run() {
        HWND box = nullptr;
        for (int i = 0; i < 200 && !box; ++i) {
            Sleep(50);
            box = find_box();
        }
        if (!box) {
            return;
        }
        found = true;
        Sleep(400);  // let it paint
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(200);
        capture = capture_window(box, true);
        capture_window(box, false).save_png(artifact_path(picture_));
        HWND button = action_ == CLICK ? GetDlgItem(box, id_) : nullptr;
        if (button) {
            SendMessageW(button, BM_CLICK, 0, 0);
        } else {
            missingButton = action_ == CLICK;  // never leave the box waiting
            PostMessageW(box, WM_CLOSE, 0, 0);
        }
    }
};

class DarkMessageBox : public ::testing::Test {
protected:
    void SetUp() override {
        fix_dark_mode(true);
        fill_theme_colours();
    }
};

TEST_F(DarkMessageBox, YesNoAnswersSixOnlyForYes) {
    struct Case {
        Responder::Action action;
        int id;
        const wchar_t* picture;
        int result;
    };
    const Case kCases[] = {
        {Responder::CLICK, IDCANCEL, L"dark-message-no.png", 2},
        {Responder::CLICK, IDYES, L"dark-message-yes-no.png", 6},
        {Responder::CLOSE, 0, L"dark-message-closed.png", 2},
    };
    for (const Case& c : kCases) {
        Responder responder(c.action, c.id, c.picture);
        int result = show_message(nullptr, L"A new version is available. Do you want to download it now?",
                                  MB_YESNO | MB_ICONQUESTION);
        EXPECT_EQ(result, c.result);
        ASSERT_TRUE(responder.found);
        EXPECT_FALSE(responder.missingButton);
    }
}

TEST_F(DarkMessageBox, LooksDarkWithABandForTheButtons) {
    int result;
    Capture picture;
    {
        Responder responder(Responder::CLICK, IDOK, L"dark-message-ok.png");
        result = show_message(nullptr, L"Cache files deleted.", MB_OK | MB_ICONINFORMATION);
        picture = responder.capture;
    }
    EXPECT_EQ(result, 1);
    ASSERT_GT(picture.width, 200);
    EXPECT_GE(picture.width, 240);  // never narrower, however short the text
    EXPECT_EQ(picture.at(4, 4), RGB(25, 25, 25));                        // window background
    EXPECT_EQ(picture.at(4, picture.height - 4), RGB(41, 41, 41));       // button band
    EXPECT_EQ(picture.at(4, picture.height - 43), RGB(60, 60, 60));      // the line above it
}

TEST_F(DarkMessageBox, LongTextWrapsAndTheBoxGrows) {
    std::wstring text;
    for (int i = 0; i < 12; ++i) {
        text += L"Error reading / writing to the destination folder. ";
    }
    Capture picture;
    {
        Responder responder(Responder::CLICK, IDOK, L"dark-message-long.png");
        EXPECT_EQ(show_message(nullptr, text.c_str(), MB_OK | MB_ICONERROR), 1);
        picture = responder.capture;
    }
    EXPECT_LE(picture.width, 320 + 80 + 8);  // wrapped at 320 pixels
    EXPECT_GT(picture.height, 31 + 32 + 42 + 40);
}

TEST(LightMessageBox, IsTheSystemBox) {
    fix_dark_mode(false);
    fill_theme_colours();
    Capture picture;
    {
        Responder responder(Responder::CLICK, IDOK, L"light-message-ok.png");
        EXPECT_EQ(show_message(nullptr, L"You have to restart Tavlo for the changes to take effect.",
                               MB_OK | MB_ICONINFORMATION),
                  1);
        picture = responder.capture;
    }
    ASSERT_GT(picture.width, 0);
    COLORREF corner = picture.at(4, 4);
    EXPECT_GT(GetRValue(corner) + GetGValue(corner) + GetBValue(corner), 3 * 150);  // light, not the dark look
}

}  // namespace
