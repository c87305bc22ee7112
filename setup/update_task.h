// The scheduled task that lets the installed yt-dlp update itself at every
// logon, with the local system account's rights (Task Scheduler 2.0).
#pragma once

constexpr wchar_t UPDATE_TASK_FOLDER[] = L"\\";
constexpr wchar_t UPDATE_TASK_NAME[] = L"TavloUpdateTask";

// What the install registers: a logon trigger for any user, one program
// with its arguments, run as the group (a SID) with the highest rights.
struct UpdateTask {
    const wchar_t* folder;     // "\"
    const wchar_t* name;       // "TavloUpdateTask"
    const wchar_t* program;    // install folder + "bin\yt-dlp.exe"
    const wchar_t* arguments;  // "-U"
    const wchar_t* groupId;    // "S-1-5-18", the local system account
};

// Registers (or replaces) the task; true when it was registered. COM must
// be initialised on the calling thread.
bool register_update_task(const UpdateTask& task);
// The install's task: UPDATE_TASK_NAME in the root folder, running program
// with "-U" as the local system account.
bool register_update_task(const wchar_t* program);
// True when the task was deleted or did not exist.
bool delete_update_task(const wchar_t* folder, const wchar_t* name);
bool delete_update_task();
