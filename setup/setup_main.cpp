// Process entry of tavlo_setup.exe.
#include <windows.h>

#include "setup/setup_entry.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return run_setup(instance);
}
