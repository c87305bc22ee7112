#include "setup/setup_entry.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include "base/delete_tree.h"
#include "base/text.h"
#include "setup/install.h"
#include "setup/setup_message.h"
#include "setup/setup_rules.h"
#include "setup/setup_state.h"
#include "setup/uninstall_flow.h"
#include "setup/wizard_frame.h"
#include "ui/theme.h"
#include "ui/translation.h"

namespace {

void read_command_line() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) {
        return;
    }
    SetupArguments parsed = parse_setup_arguments(count, arguments);
    LocalFree(arguments);
    g_setup.silent = parsed.silent;
    g_setup.uninstallMode = parsed.uninstall;
}

enum class Instance { Another, Alone, NoMapping };

// Another: a setup runs already and its wizard has been brought forward.
// NoMapping: this start can't guard against a second one, so it installs
// nothing.
Instance hand_over_to_running_setup() {
    HANDLE existing = OpenFileMappingW(FILE_MAP_READ, FALSE, SINGLE_INSTANCE_MAPPING);
    if (existing) {
        void* view = MapViewOfFile(existing, FILE_MAP_READ, 0, 0, sizeof(HWND));
        if (view) {
            HWND wizard = *static_cast<HWND*>(view);
            if (wizard) {
                ShowWindow(wizard, SW_RESTORE);
                SetForegroundWindow(wizard);
            }
            UnmapViewOfFile(view);
        }
        CloseHandle(existing);
        return Instance::Another;
    }
    g_setup.mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 8, SINGLE_INSTANCE_MAPPING);
    if (g_setup.mapping) {
        g_setup.mappedWindow = static_cast<HWND*>(MapViewOfFile(g_setup.mapping, FILE_MAP_WRITE, 0, 0, 8));
        if (g_setup.mappedWindow) {
            *g_setup.mappedWindow = nullptr;
            return Instance::Alone;
        }
    }
    return Instance::NoMapping;
}

void load_language() {
    static TranslationTable table;  // empty until a language loads
    g_translation = &table;
    g_setup.uiLanguage = GetUserDefaultUILanguage();
    if (!load_translation(table, g_setup.instance, language_resource_id(g_setup.uiLanguage, LanguageSet::Setup))) {
        g_setup.uiLanguage = 9;  // English: the texts of the code
    }
}

void prepare_look() {
    g_setup.font = ui_font();
    g_uiFont = g_setup.font;
    fill_theme_colours();
    if (is_dark()) {
        enable_dark_menus();
    }
}

bool prepare_work_folder() {
    wchar_t folder[MAX_PATH];
    wchar_t eula[MAX_PATH];
    if (!work_folder(folder) || !join_path(eula, MAX_PATH, folder, L"eula.txt")) {
        return false;
    }
    CreateDirectoryW(folder, nullptr);
    extract_payload_resource(RESOURCE_EULA, eula);
    return true;
}

void default_install_dir() {
    wchar_t programFiles[MAX_PATH];
    g_setup.installDir[0] = 0;
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles))) {
        join_path(g_setup.installDir, MAX_PATH, programFiles, L"Tavlo");
    }
}

void run_install_modes() {
    if (!is_windows8_or_later()) {
        if (!g_setup.silent) {
            setup_message(nullptr, L"This program requires Windows 8 or higher.", nullptr, MB_OK);
        }
        return;
    }
    if (!is_administrator()) {
        if (!g_setup.silent) {
            setup_message(nullptr,
                          translate(L"You must be logged on with an Administrator account to run the setup program."),
                          nullptr, MB_OK);
        }
        return;
    }
    default_install_dir();
    if (g_setup.silent) {
        detect_installation();
        // Without a folder the archiver would unpack into the work folder.
        if (g_setup.installDir[0]) {
            run_install();
        }
    } else {
        run_wizard();
    }
}

void clean_up() {
    if (g_setup.mappedWindow) {
        UnmapViewOfFile(g_setup.mappedWindow);
        g_setup.mappedWindow = nullptr;
    }
    if (g_setup.mapping) {
        CloseHandle(g_setup.mapping);
        g_setup.mapping = nullptr;
    }
    g_uiFont = nullptr;
    if (g_setup.font) {
        DeleteObject(g_setup.font);
        g_setup.font = nullptr;
    }
    if (g_translation) {
        clear_translation(*g_translation);
    }
}

}  // namespace

bool is_windows8_or_later() {
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 2;
    version.wServicePackMajor = 0;
    DWORDLONG condition = 0;
    condition = VerSetConditionMask(condition, VER_MAJORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, condition) != FALSE;
}

bool is_administrator() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators)) {
        return false;
    }
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, administrators, &member)) {
        member = FALSE;
    }
    FreeSid(administrators);
    return member != FALSE;
}

void detect_installation() {
    wchar_t location[MAX_PATH];
    if (read_install_location(UNINSTALL_KEY, location, MAX_PATH)) {
        g_setup.installed = true;
        text_copy(g_setup.installDir, location);
    } else if (read_install_location(UNINSTALL_KEY_32, location, MAX_PATH)) {
        // Only noted: the install goes to the default folder, and the removal
        // reads the 32-bit entry by itself.
        g_setup.installed = true;
    }
    if (!g_setup.silent) {
        send_to_wizard(PAGE_WELCOME);
    }
}

int run_setup(HINSTANCE instance) {
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    g_setup.instance = instance;
    g_setup.desktopShortcut = true;
    g_setup.installDir[0] = 0;
    g_setup.removalDir[0] = 0;
    read_command_line();
    Instance guard = hand_over_to_running_setup();
    if (guard == Instance::Another) {
        // The running setup owns the installation; this start only brought
        // it forward, whatever its arguments asked.
        if (SUCCEEDED(com)) {
            CoUninitialize();
        }
        return 0;
    }
    bool haveWorkFolder = false;
    prepare_look();
    if (guard == Instance::Alone) {
        load_language();
    }
    if (guard == Instance::Alone && !g_setup.uninstallMode) {
        haveWorkFolder = prepare_work_folder();
        run_install_modes();
    }
    wchar_t folder[MAX_PATH];
    if (haveWorkFolder && work_folder(folder)) {
        // The archiver ran there: leave it before deleting it.
        wchar_t temp[MAX_PATH];
        if (GetTempPathW(MAX_PATH, temp)) {
            SetCurrentDirectoryW(temp);
        }
        delete_tree(folder);
    }
    if (g_setup.uninstallMode) {
        uninstall_from_command_line();
    }
    clean_up();
    if (g_setup.uninstallMode) {
        delete_self_later();
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return 0;
}
