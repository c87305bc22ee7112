#include "setup/setup_message.h"

#include "ui/message_box.h"
#include "ui/theme.h"

int setup_message(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    UINT buttons = type & 0x0F;
    // The drawn dark box has no topmost or foreground flags of its own;
    // boxes that need them stay system boxes.
    bool systemFlags = (type & (MB_TOPMOST | MB_SETFOREGROUND)) != 0;
    if (is_dark() && !systemFlags && (buttons == MB_OK || buttons == MB_YESNO)) {
        int answer = show_message(owner, text, type);
        return buttons == MB_YESNO && answer != IDYES ? IDNO : answer;
    }
    return MessageBoxW(owner, text, caption, type);
}
