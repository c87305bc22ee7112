// In-memory dialog templates: the program's dialogs make their controls
// themselves in WM_INITDIALOG, so a template holds only the frame.
#pragma once

#include <windows.h>

#include <vector>

// A modal, centred dialog with a caption and system menu, no controls, of
// the given size in dialog units.
std::vector<WORD> dialog_template(short widthUnits, short heightUnits, const wchar_t* caption);
