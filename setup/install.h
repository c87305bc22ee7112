// Installing: unpacking the payload with the carried archiver, the desktop
// shortcut, the uninstaller copy, the uninstall entry, the update task and
// the start of the installed program; and the pieces the removal shares.
#pragma once

#include <windows.h>

#include <cstddef>

// Runs the whole install on the calling thread (the wizard's worker or the
// silent main thread); ends by telling the wizard to close.
void run_install();

// The failure box with Retry and Cancel; true for Retry.
bool ask_retry_install(DWORD errorCode);

// Writes resource `id` of type 520 to path (created anew, not shared); true
// only when it exists, is not empty and every byte was written. On failure
// the thread's last error says why.
bool extract_payload_resource(int id, const wchar_t* path);

// "InstallLocation" of the "Tavlo" entry under the Uninstall key keyPath
// (HKEY_LOCAL_MACHINE); false when there is no entry or it is empty.
bool read_install_location(const wchar_t* keyPath, wchar_t* out, size_t capacity);

// The uninstall entry for g_setup.installDir; false only when the Uninstall
// key can't be opened for writing.
bool write_uninstall_entry();

// A folder on a fixed disk whose path the install can use.
bool is_valid_install_dir(const wchar_t* path);

// Milliseconds since the system started.
unsigned long long tick_ms();

// Product facts written into the uninstall entry.
constexpr wchar_t PRODUCT_VERSION[] = L"1.58";
constexpr wchar_t PUBLISHER[] = L"The Tavlo authors";
constexpr wchar_t PUBLISHER_URL[] = L"https://tavlo.app/";
