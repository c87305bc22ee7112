// Drives a modal window from a helper thread while the test thread sits in
// its message loop: waits for the process's visible window with a caption,
// then runs the action on it (clicks, texts, pictures).
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class DialogDriver {
public:
    DialogDriver(std::wstring caption, std::function<void(HWND)> action)
        : caption_(std::move(caption)), action_(std::move(action)) {
        thread_ = std::thread([this] { run(); });
    }
    ~DialogDriver() { thread_.join(); }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    bool found() const { return found_; }

    // The visible top-level window of this process with the caption.
    static HWND find(const std::wstring& caption) {
        struct Search {
            const std::wstring* caption;
            HWND found;
        } search = {&caption, nullptr};
        EnumWindows(
            [](HWND w, LPARAM lp) -> BOOL {
                auto* s = reinterpret_cast<Search*>(lp);
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                wchar_t title[256];
                // The stored caption, without a message to a thread that may be
                // waiting for this one.
                InternalGetWindowText(w, title, 256);
                if (pid == GetCurrentProcessId() && IsWindowVisible(w) && *s->caption == title) {
                    s->found = w;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

private:
    std::wstring caption_;
    std::function<void(HWND)> action_;
    std::atomic<bool> found_{false};
    std::thread thread_;

    void run() {
        HWND window = nullptr;
        for (int i = 0; i < 200 && !window; ++i) {
            Sleep(50);
            window = find(caption_);
        }
        if (!window) {
            return;
        }
        found_ = true;
        Sleep(300);  // let it paint
        action_(window);
    }
};
