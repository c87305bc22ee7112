// The uninstall confirmation, shared by "/u" and the wizard's welcome page.
#pragma once

#include <windows.h>

// 1 for "Uninstall now" (g_setup.removeSettings then holds the check box,
// and a running wizard has been switched to its uninstalling page), 2 for
// "Cancel" or closing.
int confirm_uninstall(HWND owner);
