// The setup program's start: command line, single instance, language,
// system checks, work folder, detection, then the wizard, the silent
// install or the uninstall.
#pragma once

#include <windows.h>

// Runs the setup; the process then ends with exit code 0.
int run_setup(HINSTANCE instance);

bool is_windows8_or_later();
bool is_administrator();
// Looks for an existing installation in both registry views; without
// /s, then switches the wizard to its welcome page.
void detect_installation();
