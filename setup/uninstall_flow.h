// The uninstall around the removal: the "/u" flow with its confirmation and
// final message, the wizard's uninstall thread, and the deletion of the
// running uninstaller after it has ended.
#pragma once

#include <windows.h>

// "/u": silently, or after the confirmation; a cancelled confirmation
// clears g_setup.uninstallMode.
void uninstall_from_command_line();
// Thread body of the uninstalling page: both registry views, at least one
// second of progress, then the completed page.
DWORD WINAPI uninstall_thread(void*);
// Starts a hidden command processor that deletes this executable and then
// the emptied install folder once the setup has ended; false when it can't.
bool delete_self_later();
