#include "app/tools/thumbnails.h"

#include "base/gdiplus.h"

#include <shellapi.h>
#include <urlmon.h>

#include <cmath>
#include <new>

#include "app/app_messages.h"
#include "app/tools/tool_runner.h"
#include "base/data_folder.h"
#include "base/text.h"
#include "base/win_handles.h"
#include "ui/image_control.h"

namespace {

constexpr DWORD DWEBP_WAIT_MS = 5000;
constexpr size_t KEY_CAPACITY = sizeof(ThumbnailJob::key) / sizeof(wchar_t);
// The download's status callback. The download needs nothing of it: every
// notification is simply accepted.
class ThumbnailDownloadCallback final : public IBindStatusCallback {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBindStatusCallback)) {
            *out = static_cast<IBindStatusCallback*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override {
        if (priority) {
            *priority = THREAD_PRIORITY_NORMAL;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

private:
    ~ThumbnailDownloadCallback() = default;  // through Release only
    LONG references_ = 1;
};

// The thread's own apartment: the URL moniker and the shell call want one.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};

// A picture file decoded by GDI+, or null. GDI+ keeps the file open for as
// long as the picture lives, so callers drop it before deleting the file.
std::unique_ptr<Gdiplus::Image> load_picture(const wchar_t* path) {
    std::unique_ptr<Gdiplus::Image> picture(new Gdiplus::Image(path));
    if (!picture || picture->GetLastStatus() != Gdiplus::Ok) {
        return nullptr;
    }
    return picture;
}

bool download(const ThumbnailJob& job) {
    ThumbnailDownloadCallback* callback = new (std::nothrow) ThumbnailDownloadCallback();
    if (!callback) {
        return false;
    }
    HRESULT result = URLDownloadToFileW(nullptr, job.url, job.downloadPath, 0, callback);
    callback->Release();
    return SUCCEEDED(result);
}

enum class Cached { YES, NO, UNREADABLE };

// Fits the picture file and saves it as the cache file; no file when it fails.
Cached cache_picture(const wchar_t* picturePath, const ThumbnailJob& job, const wchar_t* jpgPath) {
    std::unique_ptr<Gdiplus::Image> fitted;
    {
        std::unique_ptr<Gdiplus::Image> picture = load_picture(picturePath);
        if (!picture || picture->GetHeight() == 0) {
            return Cached::UNREADABLE;
        }
        fitted = fit_thumbnail(picture.get(), job.width, job.height);
    }
    if (!fitted) {
        return Cached::NO;
    }
    if (!save_jpeg(fitted.get(), jpgPath)) {
        DeleteFileW(jpgPath);  // a half-written file would be taken for the cache
        return Cached::NO;
    }
    return Cached::YES;
}

// dwebp writes the WebP picture as a BMP, which GDI+ reads.
void run_dwebp(const wchar_t* webpPath, const wchar_t* bmpPath) {
    wchar_t dwebp[2 * MAX_PATH];
    if (!tool_path(L"bin\\dwebp.exe", dwebp) || !is_existing_file(dwebp)) {
        return;
    }
    // Both paths are below MAX_PATH: the parameters always fit.
    wchar_t parameters[1024];
    text_format(parameters, L"-bmp \"%ls\" -o \"%ls\"", webpPath, bmpPath);
    SHELLEXECUTEINFOW run = {};
    run.cbSize = sizeof(run);
    // No error box from a worker thread when the start fails.
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    run.lpVerb = L"open";
    run.lpFile = dwebp;
    run.lpParameters = parameters;
    run.nShow = SW_HIDE;
    if (!ShellExecuteExW(&run)) {
        return;
    }
    UniqueHandle process(run.hProcess);
    if (process && WaitForSingleObject(process.get(), DWEBP_WAIT_MS) == WAIT_TIMEOUT) {
        // A dwebp that hangs would hold, and might later write, the ".bmp"
        // this job deletes: it goes, and the picture is given up.
        kill_process_tree(GetProcessId(process.get()), 1000);
    }
}

void make_thumbnail(const ThumbnailJob& job) {
    wchar_t jpgPath[MAX_PATH];
    wchar_t bmpPath[MAX_PATH];
    if (!is_thumbnail_link(job.url) || !change_extension(job.downloadPath, L".jpg", jpgPath) ||
        !change_extension(job.downloadPath, L".bmp", bmpPath)) {
        return;
    }
    if (download(job) && cache_picture(job.downloadPath, job, jpgPath) == Cached::UNREADABLE) {
        // GDI+ reads no WebP: dwebp turns it into a BMP first. A ".bmp" left
        // by an earlier run must not pass for this one's.
        DeleteFileW(bmpPath);
        run_dwebp(job.downloadPath, bmpPath);
        cache_picture(bmpPath, job, jpgPath);
        DeleteFileW(bmpPath);
    }
    DeleteFileW(job.downloadPath);
}

void hand_over_key(const ThumbnailJob& job) {
    if (!job.listWindow) {
        return;  // a message to no window would go to this ending thread, and its copy with it
    }
    auto* key = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, KEY_CAPACITY * sizeof(wchar_t)));
    if (!key) {
        return;
    }
    text_copy(key, KEY_CAPACITY, job.key);
    // freed by the list on WM_APP_THUMBNAIL_READY
    if (!PostMessageW(job.listWindow, WM_APP_THUMBNAIL_READY, 0, reinterpret_cast<LPARAM>(key))) {
        HeapFree(GetProcessHeap(), 0, key);
    }
}

DWORD WINAPI thumbnail_thread(void* job) {
    run_thumbnail_job(static_cast<ThumbnailJob*>(job));
    return 0;
}

// Arial, bold, 11 pixels. Where there is no Arial (a Wine prefix has no
// Windows fonts) a common sans-serif face of the same build stands in, else
// the one the GDI font mapper picks, so that the duration still shows.
const wchar_t* const kBadgeFaces[] = {L"Arial",    L"Liberation Sans", L"Arimo",  L"Helvetica",
                                      L"Segoe UI", L"Tahoma",          L"Verdana", L"DejaVu Sans"};

std::unique_ptr<Gdiplus::Font> usable(Gdiplus::Font* font) {
    std::unique_ptr<Gdiplus::Font> owned(font);
    if (!owned || owned->GetLastStatus() != Gdiplus::Ok) {
        return nullptr;
    }
    return owned;
}

std::unique_ptr<Gdiplus::Font> badge_font() {
    for (const wchar_t* face : kBadgeFaces) {
        Gdiplus::FontFamily family(face);
        if (family.IsAvailable()) {
            if (auto font = usable(new Gdiplus::Font(&family, 11.0f, Gdiplus::FontStyleBold, Gdiplus::UnitPixel))) {
                return font;
            }
        }
    }
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) {
        return nullptr;
    }
    LOGFONTW wanted = {};
    wanted.lfHeight = -11;  // the em height in pixels, as 11 pixels above
    wanted.lfWeight = FW_BOLD;
    wanted.lfCharSet = DEFAULT_CHARSET;
    wanted.lfOutPrecision = OUT_TT_ONLY_PRECIS;  // GDI+ draws TrueType faces only
    text_copy(wanted.lfFaceName, L"Arial");
    std::unique_ptr<Gdiplus::Font> font = usable(new Gdiplus::Font(dc, &wanted));
    DeleteDC(dc);
    return font;
}

const Gdiplus::ImageCodecInfo* find_encoder(const wchar_t* mimeType, std::unique_ptr<BYTE[]>& storage) {
    UINT count = 0;
    UINT size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || count == 0 || size == 0) {
        return nullptr;
    }
    storage.reset(new (std::nothrow) BYTE[size]);
    if (!storage) {
        return nullptr;
    }
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.get());
    if (Gdiplus::GetImageEncoders(count, size, encoders) != Gdiplus::Ok) {
        return nullptr;
    }
    for (UINT i = 0; i < count; ++i) {
        if (text_equal_nocase(encoders[i].MimeType, mimeType)) {
            return &encoders[i];
        }
    }
    return nullptr;
}

}  // namespace

void run_thumbnail_job(ThumbnailJob* job) {
    if (!job) {
        return;
    }
    {
        ComApartment apartment;
        make_thumbnail(*job);
    }
    hand_over_key(*job);
    delete job;
}

bool thumbnail_cache_path(const wchar_t* key, wchar_t (&path)[MAX_PATH]) {
    wchar_t name[80];
    text_format(name, L"jpg\\%ls.jpg", key);
    return data_path(name, path) && text_ends_with(path, name);
}

bool start_thumbnail_job(DownloadRecord& item, HWND listWindow, int width, int height) {
    const wchar_t* url = item.info.thumbnail;
    // A link cut to fit would name another picture.
    if (!url || !url[0] || text_length(url) >= sizeof(ThumbnailJob::url) / sizeof(wchar_t)) {
        return false;
    }
    wchar_t folder[MAX_PATH];
    wchar_t binPath[MAX_PATH];
    if (!data_path(L"jpg", folder)) {
        return false;
    }
    CreateDirectoryW(folder, nullptr);  // normally made at start-up; cheap to make sure
    text_copy(binPath, folder);
    wchar_t name[80];
    text_format(name, L"\\%ls.bin", item.key);
    if (text_append(binPath, name) != text_length(folder) + text_length(name)) {
        return false;
    }
    auto* job = new (std::nothrow) ThumbnailJob();
    if (!job) {
        return false;
    }
    text_copy(job->key, item.key);
    text_copy(job->url, url);
    text_copy(job->downloadPath, binPath);
    job->listWindow = listWindow;
    job->width = width;
    job->height = height;
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, thumbnail_thread, job, 0, &threadId);
    if (!thread) {
        delete job;
        return false;
    }
    // A job started for an earlier arrival of the metadata runs on by itself;
    // only its handle would be lost.
    if (item.thumbnailThread) {
        CloseHandle(item.thumbnailThread);
    }
    item.thumbnailThread = thread;
    item.thumbnailThreadId = threadId;
    return true;
}

std::unique_ptr<Gdiplus::Image> fit_thumbnail(Gdiplus::Image* image, int width, int height) {
    if (!image) {
        return nullptr;
    }
    ThumbnailFit fit = plan_thumbnail_fit(image->GetWidth(), image->GetHeight(), width, height);
    if (fit.kind == ThumbnailFitKind::NONE) {
        return nullptr;
    }
    if (fit.kind == ThumbnailFitKind::STRETCH) {
        std::unique_ptr<Gdiplus::Image> thumbnail(
            image->GetThumbnailImage(static_cast<UINT>(width), static_cast<UINT>(height), nullptr, nullptr));
        if (!thumbnail || thumbnail->GetLastStatus() != Gdiplus::Ok) {
            return nullptr;
        }
        return thumbnail;
    }
    std::unique_ptr<Gdiplus::Image> cropped(new Gdiplus::Bitmap(width, height, PixelFormat32bppRGB));
    if (!cropped || cropped->GetLastStatus() != Gdiplus::Ok) {
        return nullptr;
    }
    Gdiplus::Graphics graphics(cropped.get());
    if (graphics.GetLastStatus() != Gdiplus::Ok) {
        return nullptr;
    }
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    // Mirrored edges: the scaling filter otherwise blends the picture's
    // borders with nothing, a dark seam down the left and right.
    Gdiplus::ImageAttributes edges;
    edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    Gdiplus::Status drawn = graphics.DrawImage(
        image, Gdiplus::Rect(0, fit.y, fit.width, fit.height), 0, 0, static_cast<INT>(image->GetWidth()),
        static_cast<INT>(image->GetHeight()), Gdiplus::UnitPixel, &edges);
    if (drawn != Gdiplus::Ok) {
        return nullptr;
    }
    return cropped;
}

void draw_duration_badge(Gdiplus::Image* image, const wchar_t* text) {
    if (!image || !text || !text[0]) {
        return;
    }
    Gdiplus::Graphics graphics(image);
    if (graphics.GetLastStatus() != Gdiplus::Ok) {
        return;
    }
    std::unique_ptr<Gdiplus::Font> badge = badge_font();
    if (!badge) {
        return;
    }
    Gdiplus::StringFormat format;
    format.SetAlignment(Gdiplus::StringAlignmentCenter);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    Gdiplus::RectF measured;
    if (graphics.MeasureString(text, -1, badge.get(), Gdiplus::PointF(0.0f, 0.0f), &format, &measured) != Gdiplus::Ok) {
        return;
    }
    // Whole pixels keep the box's edges sharp.
    float boxWidth = std::ceil(measured.Width) + 4.0f;
    float boxHeight = std::ceil(measured.Height) + 1.0f;
    Gdiplus::RectF box(static_cast<float>(image->GetWidth()) - 2.0f - boxWidth,
                       static_cast<float>(image->GetHeight()) - 2.0f - boxHeight, boxWidth, boxHeight);
    Gdiplus::SolidBrush shade(Gdiplus::Color(0xBF, 0x00, 0x00, 0x00));
    graphics.FillRectangle(&shade, box);
    Gdiplus::SolidBrush white(Gdiplus::Color(0xBF, 0xFF, 0xFF, 0xFF));
    Gdiplus::RectF textBox(box.X, box.Y + 1.0f, box.Width, box.Height);
    graphics.DrawString(text, -1, badge.get(), textBox, &format, &white);
}

bool save_jpeg(Gdiplus::Image* image, const wchar_t* path) {
    if (!image || !path) {
        return false;
    }
    std::unique_ptr<BYTE[]> storage;
    const Gdiplus::ImageCodecInfo* jpeg = find_encoder(L"image/jpeg", storage);
    if (!jpeg) {
        return false;
    }
    ULONG quality = 100;
    Gdiplus::EncoderParameters parameters = {};
    parameters.Count = 1;
    parameters.Parameter[0].Guid = Gdiplus::EncoderQuality;
    parameters.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
    parameters.Parameter[0].NumberOfValues = 1;
    parameters.Parameter[0].Value = &quality;
    return image->Save(path, &jpeg->Clsid, &parameters) == Gdiplus::Ok;
}

std::unique_ptr<Gdiplus::Image> load_cached_thumbnail(const wchar_t* key, int width, int height, uint32_t seconds) {
    wchar_t path[MAX_PATH];
    if (!thumbnail_cache_path(key, path)) {
        return nullptr;
    }
    std::unique_ptr<Gdiplus::Image> fitted;
    {
        std::unique_ptr<Gdiplus::Image> cached = load_picture(path);
        fitted = fit_thumbnail(cached.get(), width, height);
    }
    if (!fitted) {
        return nullptr;
    }
    if (seconds != 0) {
        wchar_t text[DURATION_TEXT_CAPACITY];
        format_duration(seconds, text);
        draw_duration_badge(fitted.get(), text);
    }
    return fitted;
}

bool load_cached_thumbnail(GdiImageState* control, const wchar_t* key, int width, int height, uint32_t seconds) {
    std::unique_ptr<Gdiplus::Image> picture = load_cached_thumbnail(key, width, height, seconds);
    return picture && set_image(control, picture.get());
}
