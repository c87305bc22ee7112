// Process entry of tavlo.exe.
#include <windows.h>

#include "app/shell/startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return run_tavlo(instance);
}
