// Unbounded and unterminated copies are unusable in this program: every text
// write goes through base/text.h. The system headers that declare them come
// first, so that including them later (include guards) cannot trip the ban.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <shlwapi.h>
#endif

#if defined(__GNUC__)
#pragma GCC poison wcscpy wcscat wcsncpy wcsncat lstrcpyW lstrcpynW lstrcatW lstrcpyA lstrcatA
#pragma GCC poison StrCpyW StrCatW StrCpyNW StrNCatW wsprintfW wvsprintfW swprintf
#pragma GCC poison strcpy strcat sprintf vsprintf
#endif
