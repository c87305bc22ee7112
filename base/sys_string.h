// Owned UTF-16 strings of any length that may be null (OLE Automation strings
// on Windows). Plain records hold them as wchar_t pointers; whoever owns the
// record frees them with sys_string_free.
#pragma once

#include <cstddef>

wchar_t* sys_string_new(const wchar_t* text, size_t length);  // null on failure
// Room for length units and a terminator, for the caller to fill.
wchar_t* sys_string_alloc(size_t length);
void sys_string_free(wchar_t* text);                            // null is fine
// Frees *slot and stores fresh (which may be null) in its place.
void sys_string_replace(wchar_t** slot, wchar_t* fresh);
