#include "app/services/update.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <urlmon.h>
#include <xmllite.h>

#include "app/app_messages.h"
#include "app/tools/tool_runner.h"
#include "base/sys_string.h"
#include "base/text.h"
#include "base/win_handles.h"

namespace {

constexpr DWORD YTDLP_UPDATE_WAIT_MS = 60000;
constexpr int MARKER_CHECKS = 30;
constexpr DWORD MARKER_INTERVAL_MS = 1000;
constexpr size_t URL_CAPACITY = 512;
constexpr size_t MAX_XML_NODES = 65536;

template <typename T>
struct ComTraits {
    static T* invalid() { return nullptr; }
    static bool valid(T* p) { return p != nullptr; }
    static void close(T* p) { p->Release(); }
};
template <typename T>
using UniqueCom = UniqueResource<T*, ComTraits<T>>;

// COM for the URL monikers and the shell on this worker thread, for its life.
class ComScope {
public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT result_;
};

constexpr size_t ORIGIN_CAPACITY = 256;
// Written before a check's thread starts, read by that thread.
wchar_t g_updateServer[ORIGIN_CAPACITY] = {};

void update_endpoint(wchar_t (&url)[URL_CAPACITY]) {
    text_copy(url, g_updateServer[0] ? g_updateServer : UPDATE_SERVER);
    text_append(url, UPDATE_PATH);
}

using CreateXmlReaderFunction = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

// MinGW has no import library for XmlLite, so it is found at run time, once,
// from the system folder only. The library stays loaded for the process.
CreateXmlReaderFunction xml_reader_factory() {
    static const CreateXmlReaderFunction factory = [] {
        HMODULE xmllite = LoadLibraryExW(L"xmllite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return xmllite ? reinterpret_cast<CreateXmlReaderFunction>(
                             reinterpret_cast<void*>(GetProcAddress(xmllite, "CreateXmlReader")))
                       : nullptr;
    }();
    return factory;
}

// The whole reply, up to limit bytes: one read may return only part of
// what a slow server has sent so far.
bool read_reply(IStream* stream, char* buffer, size_t limit, size_t* length) {
    *length = 0;
    while (*length < limit) {
        ULONG got = 0;
        HRESULT result = stream->Read(buffer + *length, static_cast<ULONG>(limit - *length), &got);
        if (FAILED(result)) {
            return false;
        }
        *length += got;
        if (result == S_FALSE || got == 0) {
            break;
        }
    }
    return true;
}

// What the server says, or zero-filled findings when anything fails.
UpdateFindings ask_update_server(CBindStatusCallback* callback, const wchar_t* installedYtdlp) {
    UpdateFindings nothing = {};
    wchar_t url[URL_CAPACITY];
    update_endpoint(url);
    UniqueCom<IStream> stream;
    URLOpenBlockingStreamW(nullptr, url, stream.put(), 0, callback);
    // Wine finishes the transfer even when the callback answered E_ABORT.
    if (!stream || callback->aborted()) {
        return nothing;
    }
    char reply[UPDATE_REPLY_LIMIT + 1] = {};
    size_t length = 0;
    if (!read_reply(stream.get(), reply, UPDATE_REPLY_LIMIT, &length)) {
        return nothing;
    }
    stream.reset();
    unsigned char documentBytes[UPDATE_DOCUMENT_LIMIT];
    size_t documentLength = 0;
    if (!decode_update_reply(reply, length, documentBytes, &documentLength)) {
        return nothing;
    }
    XmlDocument document;
    if (FAILED(load_xml_bytes(documentBytes, documentLength, document))) {
        return nothing;
    }
    return read_update_findings(document.root.get(), PROGRAM_VERSION, installedYtdlp);
}

void post_progress(HWND window, WPARAM code) {
    PostMessageW(window, WM_APP_UPDATE_PROGRESS, code, 0);
}

}  // namespace

void set_update_server(const wchar_t* origin) {
    text_copy(g_updateServer, origin ? origin : L"");
}

void free_update_result(UpdateResult* result) {
    if (result) {
        sys_string_free(result->setupUrl);
        HeapFree(GetProcessHeap(), 0, result);
    }
}

UpdateCheckJob* new_update_check(HWND window) {
    auto* job = static_cast<UpdateCheckJob*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(UpdateCheckJob)));
    if (!job) {
        return nullptr;
    }
    job->window = window;
    job->callback = CBindStatusCallback::create();
    if (!job->callback) {
        HeapFree(GetProcessHeap(), 0, job);
        return nullptr;
    }
    return job;
}

void free_update_check(UpdateCheckJob* job) {
    if (job) {
        job->callback->Release();
        HeapFree(GetProcessHeap(), 0, job);
    }
}

DWORD WINAPI run_update_check(void* parameter) {
    auto* job = static_cast<UpdateCheckJob*>(parameter);
    {
        ComScope com;
        wchar_t ytdlp[MAX_PATH * 2];
        wchar_t installed[32] = {};  // a yt-dlp without a version counts as version 0
        if (tool_path(L"bin\\yt-dlp.exe", ytdlp)) {
            file_version_string(ytdlp, installed);
        }
        UpdateFindings findings = ask_update_server(job->callback, installed);

        // A program that is closing starts no elevation prompt.
        if (findings.ytdlpOutdated && !job->callback->aborted()) {
            post_progress(job->window, UPDATE_PROGRESS_YTDLP_BEGAN);
            update_ytdlp();
            post_progress(job->window, UPDATE_PROGRESS_YTDLP_ENDED);
        }

        // The start-up waits for this message, so it goes out even when
        // there is no memory for the block (lParam null: nothing found).
        auto* result =
            static_cast<UpdateResult*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(UpdateResult)));
        if (result) {
            result->available = findings.available ? 1 : 0;
            result->fileSize = findings.fileSize;
            if (!findings.setupUrl.empty()) {
                result->setupUrl = sys_string_new(findings.setupUrl.c_str(), findings.setupUrl.size());
            }
        }
        // freed by the main window on WM_APP_UPDATE_RESULT
        if (!PostMessageW(job->window, WM_APP_UPDATE_RESULT, 0, reinterpret_cast<LPARAM>(result))) {
            free_update_result(result);
        }
    }
    free_update_check(job);
    return 0;
}

UpdateDownloadJob* new_update_download(HWND window, const wchar_t* url, int64_t expectedSize) {
    auto* job =
        static_cast<UpdateDownloadJob*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(UpdateDownloadJob)));
    if (!job) {
        return nullptr;
    }
    job->window = window;
    job->expectedSize = expectedSize;
    job->url = sys_string_new(url ? url : L"", text_length(url));
    job->callback = CBindStatusCallback::create(update_download_progress, job);
    if (!job->url || !job->callback) {
        sys_string_free(job->url);
        if (job->callback) {
            job->callback->Release();
        }
        HeapFree(GetProcessHeap(), 0, job);
        return nullptr;
    }
    return job;
}

void free_update_download(UpdateDownloadJob* job) {
    if (job) {
        // Another reference may outlive the block that is its user value.
        job->callback->detach_routine();
        job->callback->Release();
        sys_string_free(job->url);
        HeapFree(GetProcessHeap(), 0, job);
    }
}

HRESULT update_download_progress(ULONG progress, ULONG maximum, ULONG statusCode, const wchar_t*, void* user) {
    auto* job = static_cast<UpdateDownloadJob*>(user);
    if (!job) {
        return S_OK;
    }
    if (statusCode == BINDSTATUS_BEGINDOWNLOADDATA) {
        post_progress(job->window, UPDATE_PROGRESS_DOWNLOAD_BEGAN);
        job->pacer = {};
    } else if (statusCode == BINDSTATUS_ENDDOWNLOADDATA) {
        // A percent after the end would put the taskbar's progress back.
        post_progress(job->window, UPDATE_PROGRESS_DOWNLOAD_ENDED);
        return S_OK;
    }
    if (maximum == 0) {
        return S_OK;
    }
    if (percent_due(job->pacer, GetTickCount64())) {
        post_progress(job->window, download_percent(progress, maximum));
    }
    return S_OK;
}

DWORD WINAPI download_update(void* parameter) {
    auto* job = static_cast<UpdateDownloadJob*>(parameter);
    wchar_t* path = nullptr;
    {
        ComScope com;
        wchar_t file[MAX_PATH] = {};
        HRESULT result = URLDownloadToCacheFileW(nullptr, job->url, file, MAX_PATH, 0, job->callback);
        // Wine may finish a transfer that the callback cancelled: a closing
        // window wants no setup program started.
        if (FAILED(result) || job->callback->aborted()) {
            if (file[0]) {
                DeleteFileW(file);
            }
        } else {
            // Only a regular file of exactly the announced size is the setup
            // program: an error page, a cut transfer or another file is not.
            WIN32_FILE_ATTRIBUTE_DATA data = {};
            bool whole = job->expectedSize > 0 && GetFileAttributesExW(file, GetFileExInfoStandard, &data) &&
                         !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                         ((static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) ==
                             job->expectedSize;
            if (whole) {
                size_t bytes = (text_length(file) + 1) * sizeof(wchar_t);
                path = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, bytes));
                if (path) {
                    text_copy(path, bytes / sizeof(wchar_t), file);
                }
            }
            if (!path) {
                DeleteFileW(file);
            }
        }
    }
    WPARAM outcome = path ? UPDATE_DOWNLOAD_SUCCEEDED : UPDATE_DOWNLOAD_FAILED;
    // freed by the main window on WM_APP_UPDATE_DOWNLOADED
    if (!PostMessageW(job->window, WM_APP_UPDATE_DOWNLOADED, outcome, reinterpret_cast<LPARAM>(path)) && path) {
        HeapFree(GetProcessHeap(), 0, path);
    }
    free_update_download(job);
    return 0;
}

namespace {

// Hands the caller its own reference before the thread can drop the job's.
bool start_thread(LPTHREAD_START_ROUTINE body, void* job, CBindStatusCallback* callback,
                  CBindStatusCallback** cancel) {
    if (cancel) {
        callback->AddRef();
        *cancel = callback;
    }
    UniqueHandle thread(CreateThread(nullptr, 0, body, job, 0, nullptr));
    if (!thread) {
        if (cancel) {
            callback->Release();
            *cancel = nullptr;
        }
        return false;
    }
    return true;
}

}  // namespace

bool start_update_check(HWND window, CBindStatusCallback** cancel) {
    if (cancel) {
        *cancel = nullptr;
    }
    UpdateCheckJob* job = new_update_check(window);
    if (!job) {
        return false;
    }
    if (!start_thread(run_update_check, job, job->callback, cancel)) {
        free_update_check(job);
        return false;
    }
    return true;
}

bool start_update_download(HWND window, const wchar_t* url, int64_t expectedSize, CBindStatusCallback** cancel) {
    if (cancel) {
        *cancel = nullptr;
    }
    UpdateDownloadJob* job = new_update_download(window, url, expectedSize);
    if (!job) {
        return false;
    }
    if (!start_thread(download_update, job, job->callback, cancel)) {
        free_update_download(job);
        return false;
    }
    return true;
}

bool wait_while_file_exists(const wchar_t* path, int checks, DWORD intervalMs) {
    for (int i = 0; i < checks; ++i) {
        if (!is_existing_file(path)) {
            return true;
        }
        Sleep(intervalMs);
    }
    return !is_existing_file(path);
}

// yt-dlp checks its download's certificate: the file it fetches replaces a
// program that runs elevated here, so it must come from the real server.
bool update_ytdlp() {
    wchar_t path[MAX_PATH * 2];
    if (!tool_path(L"bin\\yt-dlp.exe", path)) {
        return false;
    }
    // yt-dlp leaves this file while it replaces itself.
    wchar_t marker[MAX_PATH * 2 + 8];
    text_copy(marker, path);
    text_append(marker, L".new");

    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    // No message loop on this thread, and no error box in a silent check.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"runas";
    info.lpFile = path;
    info.lpParameters = L"-U";
    info.nShow = SW_HIDE;
    bool started = ShellExecuteExW(&info) != FALSE;
    UniqueHandle process(info.hProcess);
    if (started && process) {
        WaitForSingleObject(process.get(), YTDLP_UPDATE_WAIT_MS);
    }
    // A declined elevation leaves no marker, so this ends at once.
    wait_while_file_exists(marker, MARKER_CHECKS, MARKER_INTERVAL_MS);
    return started;
}

bool file_version_string(const wchar_t* path, wchar_t* out, size_t outBytes) {
    size_t capacity = outBytes / sizeof(wchar_t);
    if (capacity == 0) {
        return false;
    }
    out[0] = 0;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) {
        return false;
    }
    UniqueHeapBlock data(HeapAlloc(GetProcessHeap(), 0, size));
    if (!data || !GetFileVersionInfoW(path, 0, size, data.get())) {
        return false;
    }
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT translationBytes = 0;
    bool translated = VerQueryValueW(data.get(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                                     &translationBytes) &&
                      translations && translationBytes >= sizeof(Translation);
    wchar_t* value = nullptr;
    UINT valueLength = 0;
    bool found = false;
    // Only the first language counts; US English in Unicode is the fallback.
    if (translated) {
        wchar_t query[64];
        text_format(query, L"\\StringFileInfo\\%04x%04x\\FileVersion", static_cast<unsigned>(translations->language),
                    static_cast<unsigned>(translations->codePage));
        found = VerQueryValueW(data.get(), query, reinterpret_cast<void**>(&value), &valueLength) && value;
    }
    if (!found && !(translated && translations->language == 1033 && translations->codePage == 1200)) {
        found = VerQueryValueW(data.get(), L"\\StringFileInfo\\040904b0\\FileVersion", reinterpret_cast<void**>(&value),
                               &valueLength) &&
                value;
    }
    if (!found) {
        return false;
    }
    size_t length = 0;  // the count may or may not include the terminator
    while (length < valueLength && value[length]) {
        ++length;
    }
    text_copy_n(out, capacity, value, length);
    return out[0] != 0;
}

HRESULT load_xml(IStream* stream, XmlDocument& document) {
    // The texts are for whoever debugs the check; nothing shows them.
    CreateXmlReaderFunction create = xml_reader_factory();
    UniqueCom<IXmlReader> reader;
    HRESULT result = create ? create(__uuidof(IXmlReader), reinterpret_cast<void**>(reader.put()), nullptr)
                            : HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    if (FAILED(result) || !reader) {
        document.error = L"CreateXmlReader a echoue";
        return FAILED(result) ? result : E_FAIL;
    }
    reader.get()->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    result = reader.get()->SetInput(stream);
    if (FAILED(result)) {
        document.error = L"SetInput a echoue";
        return result;
    }
    document.root.reset();
    document.error.clear();
    XmlTreeBuilder builder(document);
    XmlNodeType type = XmlNodeType_None;
    size_t nodes = 0;
    while ((result = reader.get()->Read(&type)) == S_OK) {
        // Wine's reader answers a document cut inside a text with that text
        // again and again; no document this program reads has that many nodes.
        if (++nodes > MAX_XML_NODES) {
            result = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
            break;
        }
        const wchar_t* name = nullptr;
        const wchar_t* value = nullptr;
        UINT length = 0;
        switch (type) {
        case XmlNodeType_Element: {
            // Asked before the reader moves on to the attributes.
            bool empty = reader.get()->IsEmptyElement() != FALSE;
            reader.get()->GetLocalName(&name, nullptr);
            XmlNode* element = builder.begin_element(name, empty);
            for (HRESULT more = reader.get()->MoveToFirstAttribute(); more == S_OK;
                 more = reader.get()->MoveToNextAttribute()) {
                if (SUCCEEDED(reader.get()->GetLocalName(&name, nullptr)) &&
                    SUCCEEDED(reader.get()->GetValue(&value, nullptr))) {
                    XmlTreeBuilder::add_attribute(element, name, value);
                }
            }
            break;
        }
        case XmlNodeType_Text:
        case XmlNodeType_CDATA:
            if (SUCCEEDED(reader.get()->GetValue(&value, &length))) {
                builder.add_text(value, length);
            }
            break;
        case XmlNodeType_EndElement:
            builder.end_element();
            break;
        default:
            break;  // white space, comments, processing instructions, declarations
        }
    }
    // A reader that ends without closing every element has read a cut document.
    if (SUCCEEDED(result) && !builder.complete()) {
        result = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    }
    if (FAILED(result)) {
        document.error = L"Parsing XML echoue";
        document.root.reset();
        return result;
    }
    if (!document.root) {
        document.error = L"Aucun element racine trouve";
        return E_FAIL;
    }
    return S_OK;
}

HRESULT load_xml_bytes(const unsigned char* bytes, size_t length, XmlDocument& document) {
    if (length == 0) {
        document.error = L"Buffer vide";
        return E_FAIL;
    }
    UniqueCom<IStream> stream(SHCreateMemStream(bytes, static_cast<UINT>(length)));
    if (!stream) {
        document.error = L"SHCreateMemStream a echoue";
        return E_OUTOFMEMORY;
    }
    return load_xml(stream.get(), document);
}
