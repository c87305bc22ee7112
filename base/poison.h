// Unbounded and unterminated copies are unusable in this program: every text
// write goes through base/text.h. Included after the system headers.
#pragma once

#if defined(__GNUC__)
#pragma GCC poison wcscpy wcscat wcsncpy wcsncat lstrcpyW lstrcpynW lstrcatW lstrcpyA lstrcatA
#pragma GCC poison StrCpyW StrCatW StrCpyNW StrNCatW wsprintfW wvsprintfW swprintf
#pragma GCC poison strcpy strcat sprintf vsprintf
#endif
