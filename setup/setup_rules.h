// The setup program's rules that need no window: the command line, the
// install folder check, the texts it builds for the archiver, the uninstall
// entry and the self-deletion. Portable, so the sanitizer build tests them.
#pragma once

#include <cstddef>

struct SetupArguments {
    bool silent;     // "/s"
    bool uninstall;  // "/u"
};

// Each argument after the program name is compared exactly, case included.
SetupArguments parse_setup_arguments(int count, const wchar_t* const* arguments);

// folder joined with name by one backslash (none added when folder already
// ends with one); false when the result would be cut.
bool join_path(wchar_t* out, size_t capacity, const wchar_t* folder, const wchar_t* name);

// The install folder's characters after its three-character root: no
// backslash right after the root, no two in a row, none of " / : < > ? | *.
// The root's drive type is the caller's check.
bool install_dir_text_valid(const wchar_t* path);
// A trailing backslash goes, except on a bare root ("C:\").
void trim_trailing_backslash(wchar_t* path);

// ""ARCHIVER" x install.7z -y -o"FOLDER"": the archiver unpacks the payload
// from the current folder into the install folder, overwriting. Its own path
// is quoted too: a temporary folder under a user name with a space would
// otherwise split it into several arguments.
bool archiver_command_line(wchar_t* out, size_t capacity, const wchar_t* archiver, const wchar_t* installDir);

// The uninstall entry's command: the uninstaller's path, quoted when it
// holds a space, followed by " /u".
bool uninstall_command(wchar_t* out, size_t capacity, const wchar_t* installDir);

// The command processor's parameters that delete the ended setup and then
// the emptied install folder (both in their short forms; the folder may be
// empty or null).
bool self_delete_parameters(wchar_t* out, size_t capacity, const wchar_t* shortExe, const wchar_t* shortFolder);

// The language identifier of a language-menu command (the resource number),
// 0 for other commands.
unsigned short language_of_command(int command);
// The language menu's commands, in its order.
extern const int LANGUAGE_MENU_COMMANDS[14];
