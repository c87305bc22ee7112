// The Options dialog's values as data: the settings being edited, the clean-
// up of what was typed, and what a saved change means for the running
// program. The dialog only moves values between its controls and the form.
#pragma once

#include <cstddef>

#include "app/services/settings_record.h"

// The check boxes in the order of the dialog.
enum OptionsCheck { CHECK_DARK_MODE, CHECK_ALWAYS_ON_TOP, CHECK_AUTO_UPDATE, CHECK_USE_ACCOUNT, CHECK_COUNT };

struct OptionsForm {
    Settings before;   // as the dialog opened
    Settings working;  // as the user has made them so far
};

void open_options_form(OptionsForm& form, const Settings& settings);

bool form_check(const OptionsForm& form, OptionsCheck check);
void form_set_check(OptionsForm& form, OptionsCheck check, bool checked);

// Index in the dialog's language list (OPTIONS_LANGUAGES) shown for a
// setting: 0x7C04 is traditional Chinese, other identifiers go by their
// primary language, anything unknown shows English.
int options_language_index(unsigned languageId);
// The language of a list entry; picking the entry the setting already shows
// keeps its sub-language (Spanish of Mexico stays 0x080A). False for an
// index outside the list.
bool form_pick_language(OptionsForm& form, int index);

// The three texts as the edits hold them. None keeps a line break or a tab
// (they would break the settings file and yt-dlp's command line); the proxy
// and the advanced options lose the blanks at their ends.
void form_set_texts(OptionsForm& form, const wchar_t* folder, const wchar_t* proxy, const wchar_t* commands);

// Pasted text as the single line an edit takes: CR LF is one break, every
// break and tab a blank. Returns the units written (out always terminated).
size_t one_line_text(const wchar_t* source, wchar_t* out, size_t capacity);

// What a saved form changed, for the running program.
struct OptionsChanges {
    bool folder;       // handed to the list: new items' output folder
    bool proxy;
    bool commands;
    bool useAccount;
    bool alwaysOnTop;  // applied to the main window at once
    bool restart;      // the language or the look: shown after a restart
};
OptionsChanges options_changes(const OptionsForm& form);
