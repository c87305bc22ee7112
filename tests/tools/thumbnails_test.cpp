// Item thumbnails end to end: the job downloads recorded pictures from a
// local HTTP server, converts WebP through the test kit's dwebp.exe (the real
// ffmpeg.exe decodes), fits them and caches them in a data folder of the
// test's own; the cached picture is loaded back with its duration badge.
#include <winsock2.h>

#include "app/tools/thumbnails.h"

#include <gtest/gtest.h>

#include "base/gdiplus.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/app_messages.h"
#include "app/tools/tool_runner.h"
#include "base/data_folder.h"
#include "base/sys_string.h"
#include "base/text.h"
#include "base/utf.h"
#include "tests/test_support.h"
#include "tests/win_test_support.h"
#include "tests/window_capture.h"
#include "ui/image_control.h"

namespace {

constexpr int WIDTH = 89;
constexpr int HEIGHT = 50;

// ---- a tiny HTTP server on 127.0.0.1 serving pictures from memory ----

struct Answer {
    int status;
    std::string body;
};

class PictureServer {
public:
    PictureServer() {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;  // the system picks a free port
        int length = sizeof(address);
        if (listener_ == INVALID_SOCKET || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(listener_, 8) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~PictureServer() {
        closesocket(listener_);  // ends the accept loop
        if (thread_.joinable()) {
            thread_.join();
        }
        if (started_) {
            WSACleanup();
        }
    }
    PictureServer(const PictureServer&) = delete;
    PictureServer& operator=(const PictureServer&) = delete;

    bool ok() const { return port_ != 0; }
    void add(const std::string& path, int status, std::string body) {
        std::lock_guard<std::mutex> lock(mutex_);
        answers_[path] = Answer{status, std::move(body)};
    }
    std::wstring url(const std::string& path) const {
        return L"http://127.0.0.1:" + std::to_wstring(port_) + utf8_to_wide(path);
    }
    int requests(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_[path];
    }

private:
    void serve() {
        for (;;) {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                return;
            }
            answer(client);
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }
    void answer(SOCKET client) {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            int n = recv(client, buffer, sizeof(buffer), 0);
            if (n <= 0) {
                return;
            }
            request.append(buffer, static_cast<size_t>(n));
        }
        size_t start = request.find(' ') + 1;
        std::string path = request.substr(start, request.find(' ', start) - start);
        Answer found{404, "<html><body>Not Found</body></html>"};
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++requests_[path];
            auto it = answers_.find(path);
            if (it != answers_.end()) {
                found = it->second;
            }
        }
        std::string head = "HTTP/1.1 " + std::to_string(found.status) +
                           (found.status == 200 ? " OK" : " Not Found") +
                           "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                           std::to_string(found.body.size()) + "\r\nConnection: close\r\n\r\n";
        send_all(client, head) && send_all(client, found.body);
    }
    static bool send_all(SOCKET client, const std::string& bytes) {
        for (size_t sent = 0; sent < bytes.size();) {
            int n = send(client, bytes.data() + sent, static_cast<int>(std::min<size_t>(bytes.size() - sent, 65536)), 0);
            if (n <= 0) {
                return false;  // the client gave up
            }
            sent += static_cast<size_t>(n);
        }
        return true;
    }

    bool started_ = false;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::map<std::string, Answer> answers_;
    std::map<std::string, int> requests_;
};

// ---- the list window the job reports to ----

class ListWindow {
public:
    ListWindow() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TavloTestThumbnailList";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ListWindow() { DestroyWindow(window_); }
    ListWindow(const ListWindow&) = delete;
    ListWindow& operator=(const ListWindow&) = delete;
    HWND handle() const { return window_; }

    std::vector<std::wstring> keys;  // as handed over, in order

    void pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
    }
    // Pumps until a key arrived; the limit only keeps a broken job from hanging the run.
    bool wait_for_key() {
        for (DWORD start = GetTickCount(); keys.empty() && GetTickCount() - start < 60000;) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            pump();
        }
        return !keys.empty();
    }

private:
    HWND window_ = nullptr;
    static LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        if (m == WM_APP_THUMBNAIL_READY) {
            auto* self = reinterpret_cast<ListWindow*>(GetWindowLongPtrW(w, GWLP_USERDATA));
            auto* key = reinterpret_cast<wchar_t*>(lp);
            EXPECT_EQ(wp, 0u);
            self->keys.emplace_back(key);
            HeapFree(GetProcessHeap(), 0, key);  // the receiver owns the copy
            return 0;
        }
        return DefWindowProcW(w, m, wp, lp);
    }
};

// ---- pictures ----

class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (started_) {
            Gdiplus::GdiplusShutdown(token_);
        }
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool ok() const { return started_; }

private:
    ULONG_PTR token_ = 0;
    bool started_ = false;
};

struct Rgb {
    int r, g, b;
};

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;
    Rgb at(int x, int y) const {
        uint32_t p = argb[static_cast<size_t>(y) * width + x];
        return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
    }
};

int distance(Rgb a, Rgb b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

Pixels read_bitmap(Gdiplus::Bitmap& bitmap) {
    Pixels pixels;
    if (bitmap.GetLastStatus() != Gdiplus::Ok) {
        return pixels;
    }
    Gdiplus::Rect all(0, 0, static_cast<INT>(bitmap.GetWidth()), static_cast<INT>(bitmap.GetHeight()));
    Gdiplus::BitmapData data;
    if (bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok) {
        return pixels;
    }
    pixels.width = all.Width;
    pixels.height = all.Height;
    pixels.argb.resize(static_cast<size_t>(all.Width) * all.Height);
    for (int y = 0; y < all.Height; ++y) {
        auto* row = reinterpret_cast<const uint32_t*>(static_cast<const BYTE*>(data.Scan0) + y * data.Stride);
        std::copy(row, row + all.Width, pixels.argb.begin() + static_cast<size_t>(y) * all.Width);
    }
    bitmap.UnlockBits(&data);
    return pixels;
}

Pixels read_picture_file(const std::wstring& path) {
    Gdiplus::Bitmap bitmap(path.c_str());
    return read_bitmap(bitmap);
}

const Gdiplus::ImageCodecInfo* encoder(const wchar_t* mime, std::vector<BYTE>& storage) {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    storage.resize(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
    Gdiplus::GetImageEncoders(count, size, encoders);
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(encoders[i].MimeType) == mime) {
            return &encoders[i];
        }
    }
    return nullptr;
}

bool save_png(Gdiplus::Image* image, const std::wstring& path) {
    std::vector<BYTE> storage;
    const Gdiplus::ImageCodecInfo* png = encoder(L"image/png", storage);
    return png && image->Save(path.c_str(), &png->Clsid, nullptr) == Gdiplus::Ok;
}

// An in-memory picture's pixels, exactly: through a lossless PNG.
Pixels read_image(Gdiplus::Image* image, const std::wstring& scratch) {
    if (!image || !save_png(image, scratch)) {
        return {};
    }
    Pixels pixels = read_picture_file(scratch);
    DeleteFileW(scratch.c_str());
    return pixels;
}

std::wstring fixture_path(const char* name) {
    return utf8_to_wide(test_path(std::string("fixtures/") + name));
}

int luma(Rgb c) {
    return (299 * c.r + 587 * c.g + 114 * c.b) / 1000;
}

// Checks that the thumbnail shows the reference picture drawn at (0, y) with
// size width x drawHeight: wherever the picture is one colour around the
// point that lands on a thumbnail pixel, the thumbnail has that brightness.
// "Around" reaches two thumbnail pixels. Brightness, because JPEG keeps
// colour at a quarter of the resolution and lets it ring across whole
// blocks; the test pattern's colours all differ in brightness.
// Returns how many pixels were compared; *otherFits counts those that a
// stretched picture would have shown differently.
int compare_with_fit(const Pixels& thumbnail, const Pixels& picture, int y0, int drawHeight, int tolerance,
                     int* otherFits) {
    int compared = 0;
    *otherFits = 0;
    double scaleX = static_cast<double>(picture.width) / WIDTH;
    double scaleY = static_cast<double>(picture.height) / drawHeight;
    int reachX = static_cast<int>(scaleX * 2) + 1;
    int reachY = static_cast<int>(scaleY * 2) + 1;
    auto uniform_colour = [&](int sx, int sy, Rgb* colour) {
        if (sx - reachX < 0 || sy - reachY < 0 || sx + reachX >= picture.width || sy + reachY >= picture.height) {
            return false;
        }
        Rgb centre = picture.at(sx, sy);
        for (int dy = -reachY; dy <= reachY; ++dy) {
            for (int dx = -reachX; dx <= reachX; ++dx) {
                if (distance(picture.at(sx + dx, sy + dy), centre) > 32) {
                    return false;
                }
            }
        }
        *colour = centre;
        return true;
    };
    for (int y = 0; y < HEIGHT; ++y) {
        for (int x = 0; x < WIDTH; ++x) {
            int sx = static_cast<int>((x + 0.5) * scaleX);
            int sy = static_cast<int>((y - y0 + 0.5) * scaleY);
            Rgb expected;
            if (!uniform_colour(sx, sy, &expected)) {
                continue;
            }
            ++compared;
            EXPECT_LE(std::abs(luma(thumbnail.at(x, y)) - luma(expected)), tolerance) << "at " << x << "," << y;
            int stretchedY = static_cast<int>((y + 0.5) * picture.height / HEIGHT);
            if (std::abs(luma(picture.at(sx, stretchedY)) - luma(expected)) > tolerance) {
                ++*otherFits;
            }
        }
    }
    return compared;
}

// ---- the fixture ----

DWORD WINAPI job_thread(void* job) {
    run_thumbnail_job(static_cast<ThumbnailJob*>(job));
    return 0;
}

class HiddenTool {
public:
    explicit HiddenTool(const wchar_t* name) {
        wchar_t path[MAX_PATH * 2];
        tool_path((std::wstring(L"bin\\") + name).c_str(), path);
        path_ = path;
        hidden_ = path_ + L".hidden";
        EXPECT_TRUE(MoveFileExW(path_.c_str(), hidden_.c_str(), MOVEFILE_REPLACE_EXISTING));
    }
    ~HiddenTool() { EXPECT_TRUE(MoveFileExW(hidden_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)); }
    HiddenTool(const HiddenTool&) = delete;
    HiddenTool& operator=(const HiddenTool&) = delete;

private:
    std::wstring path_;
    std::wstring hidden_;
};

class Thumbnails : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gdiplus_ = new GdiplusSession(); }
    static void TearDownTestSuite() {
        delete gdiplus_;
        gdiplus_ = nullptr;
    }

    TempFolder root;  // the local application-data folder
    PictureServer server;
    ListWindow list;
    std::wstring cache = root.path() + L"\\tavlo\\jpg";
    std::wstring argsLog = root.file(L"args.log");

    void SetUp() override {
        ASSERT_TRUE(gdiplus_->ok());
        ASSERT_TRUE(server.ok());
        set_data_folder_root(root.path().c_str());
        ASSERT_TRUE(CreateDirectoryW((root.path() + L"\\tavlo").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(cache.c_str(), nullptr));
        SetEnvironmentVariableW(L"TAVLO_KIT_ARGS_LOG", argsLog.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"TAVLO_KIT_ARGS_LOG", nullptr);
        set_data_folder_root(L"");
    }

    std::wstring jpg(const std::wstring& key) const { return cache + L"\\" + key + L".jpg"; }

    // Runs one job on a thread of its own, as the item does, to its end.
    void run_job(const std::wstring& key, const std::wstring& url) {
        auto* job = new ThumbnailJob();
        text_copy(job->key, key.c_str());
        text_copy(job->url, url.c_str());
        text_copy(job->downloadPath, (cache + L"\\" + key + L".bin").c_str());
        job->listWindow = list.handle();
        job->width = WIDTH;
        job->height = HEIGHT;
        HANDLE thread = CreateThread(nullptr, 0, job_thread, job, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        EXPECT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
        CloseHandle(thread);
        list.pump();
    }

    std::vector<std::wstring> cache_files() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((cache + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                    names.emplace_back(found.cFileName);
                }
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The argument lines the stand-in dwebp.exe logged, then forgets them.
    std::vector<std::string> dwebp_runs() {
        std::string log;
        read_whole_file(argsLog, log);
        DeleteFileW(argsLog.c_str());
        std::vector<std::string> lines;
        for (size_t start = 0; start < log.size();) {
            size_t end = log.find('\n', start);
            lines.push_back(log.substr(start, end - start));
            start = end == std::string::npos ? log.size() : end + 1;
        }
        return lines;
    }

    // The pixels of a WebP fixture as the kit's dwebp.exe decodes them.
    Pixels decode_webp(const char* fixture) {
        wchar_t dwebp[MAX_PATH * 2];
        tool_path(L"bin\\dwebp.exe", dwebp);
        std::wstring bmp = root.file(L"reference.bmp");
        std::wstring line = L"\"" + std::wstring(dwebp) + L"\" -bmp \"" + fixture_path(fixture) + L"\" -o \"" + bmp + L"\"";
        std::vector<wchar_t> writable(line.begin(), line.end());
        writable.push_back(0);
        DWORD exitCode = NO_EXIT_CODE;
        run_tool_process(writable.data(), nullptr, nullptr, nullptr, nullptr, &exitCode);
        EXPECT_EQ(exitCode, 0u);
        dwebp_runs();  // this run is the test's own
        Pixels pixels = read_picture_file(bmp);
        DeleteFileW(bmp.c_str());
        return pixels;
    }

    // Puts a picture fitted from a fixture into the cache, as a finished job does.
    void cache_fixture(const std::wstring& key, const char* fixture) {
        Gdiplus::Image picture(fixture_path(fixture).c_str());
        ASSERT_EQ(picture.GetLastStatus(), Gdiplus::Ok);
        std::unique_ptr<Gdiplus::Image> fitted = fit_thumbnail(&picture, WIDTH, HEIGHT);
        ASSERT_TRUE(fitted);
        ASSERT_TRUE(save_jpeg(fitted.get(), jpg(key).c_str()));
    }

    static GdiplusSession* gdiplus_;
};
GdiplusSession* Thumbnails::gdiplus_ = nullptr;

std::string json_path(const std::wstring& path) {
    std::string out;
    for (char c : wide_to_utf8(path)) {
        out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return out;
}

// ---- the job ----

struct PictureCase {
    const char* what;
    const char* fixture;    // served at /<fixture>
    const char* reference;  // the picture the thumbnail must show
    int y;                  // where the reference lands, and how high
    int drawHeight;
    int tolerance;
    bool throughDwebp;
};
const PictureCase kPictures[] = {
    // 1280/720 and 89/50 are the same shape within 0.01: simply scaled.
    {"16:9 JPEG", "thumb-1280x720.jpg", "thumb-1280x720.jpg", 0, 50, 24, false},
    // 89 * 360 / 480 = 66.75: drawn 89 x 67 at y = -8, top and bottom cut.
    {"4:3 JPEG", "thumb-480x360.jpg", "thumb-480x360.jpg", -8, 67, 24, false},
    // GDI+ reads no WebP: dwebp makes a BMP of it (320 x 180), and so does the
    // test for the reference.
    {"16:9 WebP", "thumb.webp", "thumb.webp", 0, 50, 32, true},
};

TEST_F(Thumbnails, PicturesBecomeFittedJpegsInTheCache) {
    int key = 0;
    for (const PictureCase& c : kPictures) {
        SCOPED_TRACE(c.what);
        std::wstring name = L"0123456789ABCDEF0123456789ABCDE" + std::to_wstring(key++);
        std::string served = std::string("/img/") + c.fixture;
        server.add(served, 200, read_test_file(std::string("fixtures/") + c.fixture));
        list.keys.clear();
        run_job(name, server.url(served));

        EXPECT_EQ(server.requests(served), 1);
        EXPECT_EQ(list.keys, std::vector<std::wstring>{name});
        // Only the cache file stays: no ".bin", no ".bmp".
        EXPECT_EQ(cache_files(), std::vector<std::wstring>{name + L".jpg"});
        std::vector<std::string> runs = dwebp_runs();
        if (c.throughDwebp) {
            std::wstring stem = cache + L"\\" + name;
            ASSERT_EQ(runs.size(), 1u);
            EXPECT_NE(runs[0].find("\"-bmp\",\"" + json_path(stem + L".bin") + "\",\"-o\",\"" +
                                   json_path(stem + L".bmp") + "\"]"),
                      std::string::npos)
                << runs[0];
        } else {
            EXPECT_TRUE(runs.empty()) << "dwebp ran for a picture GDI+ reads";
        }

        Pixels thumbnail = read_picture_file(jpg(name));
        ASSERT_EQ(thumbnail.width, WIDTH);
        ASSERT_EQ(thumbnail.height, HEIGHT);
        Pixels reference = c.throughDwebp ? decode_webp(c.reference) : read_picture_file(fixture_path(c.reference));
        ASSERT_GT(reference.width, 0);
        int otherFits = 0;
        int compared = compare_with_fit(thumbnail, reference, c.y, c.drawHeight, c.tolerance, &otherFits);
        EXPECT_GT(compared, WIDTH * HEIGHT / 3) << "too little of the picture is plain colour to judge";
        if (c.y != 0) {
            EXPECT_GT(otherFits, 100) << "the check cannot tell cropping from stretching";
        }
        DeleteFileW(jpg(name).c_str());
    }
}

struct FailureCase {
    const char* what;
    const char* path;  // served at this path; null: the link is used as it is
    int status;
    const char* body;  // "fixture:NAME" serves a fixture
    const wchar_t* link;
    bool dwebpNever;  // else dwebp may get the download to try
};
const FailureCase kFailures[] = {
    {"404", "/img/missing.jpg", 404, "<html><body>Not Found</body></html>", nullptr, false},
    {"garbage body", "/img/garbage.jpg", 200, "\x13\x37 this is no picture at all", nullptr, false},
    {"empty body", "/img/empty.jpg", 200, "", nullptr, false},
    {"no link", nullptr, 0, nullptr, L"", true},
    {"refused connection", nullptr, 0, nullptr, L"http://127.0.0.1:9/img/thumb.jpg", true},
    // Links from a page that are no web links are not fetched at all.
    {"file link", nullptr, 0, nullptr, L"file:///FIXTURE", true},
};

TEST_F(Thumbnails, FailuresLeaveNoFileAndStillHandTheKeyOver) {
    int key = 0;
    for (const FailureCase& c : kFailures) {
        SCOPED_TRACE(c.what);
        std::wstring name = L"FAILED0123456789ABCDEF012345678" + std::to_wstring(key++);
        std::wstring link;
        if (c.path) {
            server.add(c.path, c.status, std::string(c.body, c.body + std::char_traits<char>::length(c.body)));
            link = server.url(c.path);
        } else {
            link = c.link;
            size_t at = link.find(L"FIXTURE");
            if (at != std::wstring::npos) {
                std::wstring file = fixture_path("thumb-1280x720.jpg");
                std::replace(file.begin(), file.end(), L'\\', L'/');
                link.replace(at, 7, file);
            }
        }
        list.keys.clear();
        run_job(name, link);
        EXPECT_EQ(list.keys, std::vector<std::wstring>{name});
        EXPECT_TRUE(cache_files().empty());
        std::vector<std::string> runs = dwebp_runs();
        if (c.dwebpNever) {
            EXPECT_TRUE(runs.empty());
        }
    }
}

TEST_F(Thumbnails, WebpWithoutDwebpGivesNoPicture) {
    HiddenTool hidden(L"dwebp.exe");
    server.add("/img/thumb.webp", 200, read_test_file("fixtures/thumb.webp"));
    run_job(L"NODWEBP", server.url("/img/thumb.webp"));
    EXPECT_EQ(list.keys, std::vector<std::wstring>{L"NODWEBP"});
    EXPECT_TRUE(cache_files().empty());
    EXPECT_TRUE(dwebp_runs().empty());
}

TEST_F(Thumbnails, ItemStartsTheJobOnItsThumbnailThread) {
    server.add("/img/poster.jpg", 200, read_test_file("fixtures/thumb-480x360.jpg"));
    std::unique_ptr<DownloadRecord> item(new DownloadRecord());
    text_copy(item->key, L"9E107D9D372BB6826BD81D3542A419D6");

    // Nothing to fetch: no job.
    EXPECT_FALSE(start_thumbnail_job(*item, list.handle(), WIDTH, HEIGHT));
    EXPECT_EQ(item->thumbnailThread, nullptr);

    std::wstring link = server.url("/img/poster.jpg");
    item->info.thumbnail = sys_string_new(link.c_str(), link.size());
    ASSERT_TRUE(start_thumbnail_job(*item, list.handle(), WIDTH, HEIGHT));
    ASSERT_NE(item->thumbnailThread, nullptr);
    EXPECT_NE(item->thumbnailThreadId, 0u);
    ASSERT_TRUE(list.wait_for_key());
    EXPECT_EQ(list.keys, std::vector<std::wstring>{item->key});
    // As the list does on the message: close and clear the handle.
    EXPECT_EQ(WaitForSingleObject(item->thumbnailThread, 60000), WAIT_OBJECT_0);
    CloseHandle(item->thumbnailThread);
    item->thumbnailThread = nullptr;
    sys_string_free(item->info.thumbnail);
    item->info.thumbnail = nullptr;

    EXPECT_EQ(cache_files(), std::vector<std::wstring>{std::wstring(item->key) + L".jpg"});
    std::unique_ptr<Gdiplus::Image> shown = load_cached_thumbnail(item->key, WIDTH, HEIGHT, 0);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->GetWidth(), static_cast<UINT>(WIDTH));
    EXPECT_EQ(shown->GetHeight(), static_cast<UINT>(HEIGHT));
}

TEST_F(Thumbnails, LinkTooLongForTheJobIsNotCut) {
    std::unique_ptr<DownloadRecord> item(new DownloadRecord());
    text_copy(item->key, L"LONG");
    std::wstring link = server.url("/img/") + std::wstring(2100, L'a') + L".jpg";
    item->info.thumbnail = sys_string_new(link.c_str(), link.size());
    EXPECT_FALSE(start_thumbnail_job(*item, list.handle(), WIDTH, HEIGHT));
    EXPECT_EQ(item->thumbnailThread, nullptr);
    sys_string_free(item->info.thumbnail);
    item->info.thumbnail = nullptr;
}

// ---- the test kit's dwebp.exe ----

struct DwebpCase {
    const wchar_t* options;
    const char* magic;  // the output file's first bytes; null: no file
    DWORD exitCode;
};
const DwebpCase kDwebp[] = {
    {L"-bmp", "BM", 0},
    {L"-ppm", "P6", 0},
    {L"-pam", "P7", 0},
    {L"-tiff", "II*", 0},
    {L"", "\x89PNG", 0},  // dwebp's default format
    {L"-bmp -mt -nofancy -quiet", "BM", 0},
    {L"-crop 0 0 8 8 -bmp", nullptr, 99},  // an option the stand-in does not do is a kit error
};

TEST_F(Thumbnails, KitDwebpWritesTheFormatsDwebpWrites) {
    wchar_t dwebp[MAX_PATH * 2];
    tool_path(L"bin\\dwebp.exe", dwebp);
    auto run = [&](const std::wstring& arguments) {
        std::wstring line = L"\"" + std::wstring(dwebp) + L"\" " + arguments;
        std::vector<wchar_t> writable(line.begin(), line.end());
        writable.push_back(0);
        DWORD exitCode = NO_EXIT_CODE;
        run_tool_process(writable.data(), nullptr, nullptr, nullptr, nullptr, &exitCode);
        return exitCode;
    };
    std::wstring webp = fixture_path("thumb.webp");
    std::wstring out = root.file(L"out put.img");  // a blank: one argument all the same
    for (const DwebpCase& c : kDwebp) {
        SCOPED_TRACE(wide_to_utf8(c.options));
        DeleteFileW(out.c_str());
        EXPECT_EQ(run(std::wstring(c.options) + L" \"" + webp + L"\" -o \"" + out + L"\""), c.exitCode);
        std::string bytes;
        if (!c.magic) {
            EXPECT_FALSE(path_exists(out));
            continue;
        }
        ASSERT_TRUE(read_whole_file(out, bytes));
        EXPECT_EQ(bytes.compare(0, std::char_traits<char>::length(c.magic), c.magic), 0);
        if (std::wstring(c.options) == L"-bmp") {
            // The BMP the job reads: 320 x 180 at 24 bits, this picture has no alpha.
            Pixels decoded = read_picture_file(out);
            EXPECT_EQ(decoded.width, 320);
            EXPECT_EQ(decoded.height, 180);
            ASSERT_GT(bytes.size(), 30u);
            EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24);
        }
    }

    // What is no WebP fails as dwebp fails: -1, and no file.
    std::wstring garbage = root.file(L"garbage.webp");
    ASSERT_TRUE(write_whole_file(garbage, "RIFF....WEBPVP8 not really a picture"));
    DeleteFileW(out.c_str());
    EXPECT_EQ(run(L"-bmp \"" + garbage + L"\" -o \"" + out + L"\""), 0xFFFFFFFFu);
    EXPECT_FALSE(path_exists(out));
    // Without -o dwebp only decodes.
    EXPECT_EQ(run(L"-bmp \"" + webp + L"\""), 0u);
    EXPECT_FALSE(path_exists(out));
    dwebp_runs();
}

// ---- the cached picture ----

TEST_F(Thumbnails, CachedPictureLoadsOnlyWhenThereIsOne) {
    EXPECT_FALSE(load_cached_thumbnail(L"NOTCACHED", WIDTH, HEIGHT, 59));

    // A broken cache file (an earlier run cut short) is no picture either.
    ASSERT_TRUE(write_whole_file(jpg(L"BROKEN"), "\xff\xd8\xff\xe0 not really"));
    EXPECT_FALSE(load_cached_thumbnail(L"BROKEN", WIDTH, HEIGHT, 59));

    cache_fixture(L"CACHED", "thumb-1280x720.jpg");
    std::unique_ptr<Gdiplus::Image> shown = load_cached_thumbnail(L"CACHED", WIDTH, HEIGHT, 0);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->GetWidth(), static_cast<UINT>(WIDTH));
    EXPECT_EQ(shown->GetHeight(), static_cast<UINT>(HEIGHT));
    // The item's picture control keeps its own copy: the file is free again.
    shown.reset();
    EXPECT_TRUE(DeleteFileW(jpg(L"CACHED").c_str()));
    EXPECT_FALSE(load_cached_thumbnail(L"CACHED", WIDTH, HEIGHT, 0));

    // No thumbnail size, no picture.
    cache_fixture(L"CACHED", "thumb-1280x720.jpg");
    EXPECT_FALSE(load_cached_thumbnail(L"CACHED", 0, 0, 0));
}

TEST_F(Thumbnails, CachedPictureGoesToThePictureControl) {
    GdiImageState control = {};
    EXPECT_FALSE(load_cached_thumbnail(&control, L"NOTCACHED", WIDTH, HEIGHT, 59));
    EXPECT_EQ(control.frameCount, 0u);

    cache_fixture(L"SHOWN", "thumb-480x360.jpg");
    ASSERT_TRUE(load_cached_thumbnail(&control, L"SHOWN", WIDTH, HEIGHT, 59));
    ASSERT_EQ(control.frameCount, 1u);
    EXPECT_EQ(control.frames[0]->GetWidth(), static_cast<UINT>(WIDTH));
    EXPECT_EQ(control.frames[0]->GetHeight(), static_cast<UINT>(HEIGHT));
    // The control's copy is its own: the cache file is free.
    EXPECT_TRUE(DeleteFileW(jpg(L"SHOWN").c_str()));
    // A failed load leaves the picture shown before.
    EXPECT_FALSE(load_cached_thumbnail(&control, L"SHOWN", WIDTH, HEIGHT, 59));
    EXPECT_EQ(control.frameCount, 1u);
    set_image(&control, nullptr);
}

struct BadgeCase {
    uint32_t seconds;
    const wchar_t* text;
};
const BadgeCase kBadges[] = {
    {59, L"0:59"},
    {3599, L"59:59"},
    {3723, L"1:02:03"},
    {90000, L"25:00:00"},
};

TEST_F(Thumbnails, DurationBadgeSitsInTheBottomRightCorner) {
    cache_fixture(L"BADGE", "thumb-1280x720.jpg");
    std::wstring scratch = root.file(L"scratch.png");
    std::unique_ptr<Gdiplus::Image> plainImage = load_cached_thumbnail(L"BADGE", WIDTH, HEIGHT, 0);
    ASSERT_TRUE(plainImage);
    Pixels plain = read_image(plainImage.get(), scratch);
    ASSERT_EQ(plain.width, WIDTH);

    // The shade is black at 75 %: a quarter of the picture shows through.
    auto shaded = [&](const Pixels& p, int x, int y) {
        Rgb seen = p.at(x, y);
        Rgb under = plain.at(x, y);
        return distance(seen, Rgb{under.r / 4, under.g / 4, under.b / 4}) <= 12;
    };
    int previousWidth = 0;
    for (const BadgeCase& c : kBadges) {
        SCOPED_TRACE(c.seconds);
        std::unique_ptr<Gdiplus::Image> image = load_cached_thumbnail(L"BADGE", WIDTH, HEIGHT, c.seconds);
        ASSERT_TRUE(image);
        Pixels badged = read_image(image.get(), scratch);
        ASSERT_EQ(badged.width, WIDTH);

        // The box ends 2 pixels inside the right and bottom borders.
        EXPECT_TRUE(shaded(badged, WIDTH - 3, HEIGHT - 3));
        EXPECT_LE(distance(badged.at(WIDTH - 2, HEIGHT - 3), plain.at(WIDTH - 2, HEIGHT - 3)), 4);
        EXPECT_LE(distance(badged.at(WIDTH - 3, HEIGHT - 2), plain.at(WIDTH - 3, HEIGHT - 2)), 4);
        EXPECT_LE(distance(badged.at(WIDTH - 1, HEIGHT - 1), plain.at(WIDTH - 1, HEIGHT - 1)), 4);

        // Its width along the bottom row follows the text; its height is
        // the text's, up the right edge (padding, never text).
        int width = 0;
        while (WIDTH - 3 - width >= 0 && shaded(badged, WIDTH - 3 - width, HEIGHT - 3)) {
            ++width;
        }
        int height = 0;
        while (HEIGHT - 3 - height >= 0 && shaded(badged, WIDTH - 3, HEIGHT - 3 - height)) {
            ++height;
        }
        EXPECT_GT(width, previousWidth) << "a longer text has a wider box";
        EXPECT_GE(width, 4 + 3 * static_cast<int>(text_length(c.text)));
        EXPECT_LT(width, WIDTH - 4);
        EXPECT_GE(height, 10);
        EXPECT_LE(height, 20);
        previousWidth = width;

        // Light text inside the box; outside it the picture is untouched.
        int light = 0;
        for (int y = 0; y < HEIGHT; ++y) {
            for (int x = 0; x < WIDTH; ++x) {
                Rgb seen = badged.at(x, y);
                Rgb under = plain.at(x, y);
                bool inBox = x >= WIDTH - 2 - width && x < WIDTH - 2 && y >= HEIGHT - 2 - height && y < HEIGHT - 2;
                if (!inBox) {
                    EXPECT_LE(distance(seen, under), 4) << "at " << x << "," << y;
                } else if (seen.r + seen.g + seen.b > under.r / 4 + under.g / 4 + under.b / 4 + 240) {
                    ++light;
                }
            }
        }
        EXPECT_GE(light, 10) << "no text in the box";

        if (c.seconds == 3723) {
            EXPECT_TRUE(save_png(image.get(), artifact_path(L"thumbnail-with-badge.png")));
            // Four times larger, pixel for pixel, for the eye.
            Gdiplus::Bitmap large(WIDTH * 4, HEIGHT * 4, PixelFormat32bppRGB);
            {
                Gdiplus::Graphics graphics(&large);
                graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
                graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
                graphics.DrawImage(image.get(), 0, 0, WIDTH * 4, HEIGHT * 4);
            }
            EXPECT_TRUE(save_png(&large, artifact_path(L"thumbnail-with-badge-4x.png")));
        }
    }
}

// ---- fitting and saving on their own ----

TEST_F(Thumbnails, FitGivesExactlyTheRequestedSize) {
    struct Case {
        const char* fixture;
        int width, height;
    };
    const Case cases[] = {
        {"thumb-1280x720.jpg", WIDTH, HEIGHT},
        {"thumb-480x360.jpg", WIDTH, HEIGHT},
        {"thumb-480x360.jpg", 160, 90},
        {"thumb-1280x720.jpg", 50, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        Gdiplus::Image picture(fixture_path(c.fixture).c_str());
        std::unique_ptr<Gdiplus::Image> fitted = fit_thumbnail(&picture, c.width, c.height);
        ASSERT_TRUE(fitted);
        EXPECT_EQ(fitted->GetWidth(), static_cast<UINT>(c.width));
        EXPECT_EQ(fitted->GetHeight(), static_cast<UINT>(c.height));
    }
    EXPECT_FALSE(fit_thumbnail(nullptr, WIDTH, HEIGHT));
    Gdiplus::Image missing(root.file(L"missing.jpg").c_str());
    EXPECT_FALSE(fit_thumbnail(&missing, WIDTH, HEIGHT));
}

TEST_F(Thumbnails, CroppedPictureLosesEqualBandsAtTopAndBottom) {
    // Straight from fit_thumbnail, before any JPEG: the 4:3 picture drawn
    // 89 x 67 at y = -8, and the same shape stretched as a whole.
    struct Case {
        const char* fixture;
        int y, drawHeight;
    };
    const Case cases[] = {
        {"thumb-480x360.jpg", -8, 67},
        {"thumb-1280x720.jpg", 0, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        Gdiplus::Image picture(fixture_path(c.fixture).c_str());
        std::unique_ptr<Gdiplus::Image> fitted = fit_thumbnail(&picture, WIDTH, HEIGHT);
        ASSERT_TRUE(fitted);
        Pixels thumbnail = read_image(fitted.get(), root.file(L"scratch.png"));
        Pixels reference = read_picture_file(fixture_path(c.fixture));
        ASSERT_EQ(thumbnail.width, WIDTH);
        int otherFits = 0;
        EXPECT_GT(compare_with_fit(thumbnail, reference, c.y, c.drawHeight, 16, &otherFits), WIDTH * HEIGHT / 3);
        if (c.y != 0) {
            EXPECT_GT(otherFits, 100);
        }
        // No dark seam where the scaling filter met the picture's sides (Windows'
        // GDI+ blends them with nothing unless the edges are mirrored; Wine's
        // shows none either way): the outer columns show the picture's outer
        // columns, where a row changes either side of the change.
        int reach = reference.height / c.drawHeight + 1;
        for (int y = 0; y < HEIGHT; ++y) {
            for (int x : {0, WIDTH - 1}) {
                int sy = static_cast<int>((y - c.y + 0.5) * reference.height / c.drawHeight);
                int sx = x == 0 ? 0 : reference.width - 1;
                int closest = 255;
                for (int dy = -reach; dy <= reach; ++dy) {
                    int row = std::clamp(sy + dy, 0, reference.height - 1);
                    closest = std::min(closest, std::abs(luma(thumbnail.at(x, y)) - luma(reference.at(sx, row))));
                }
                EXPECT_LE(closest, 24) << x << "," << y;
            }
        }
    }
}

// The quantization tables of a JPEG file (DQT segments), as 8-bit values.
std::vector<int> quantization_values(const std::string& jpeg) {
    std::vector<int> values;
    for (size_t at = 2; at + 4 <= jpeg.size();) {
        if (static_cast<unsigned char>(jpeg[at]) != 0xFF) {
            break;
        }
        unsigned char marker = static_cast<unsigned char>(jpeg[at + 1]);
        size_t length = (static_cast<unsigned char>(jpeg[at + 2]) << 8) | static_cast<unsigned char>(jpeg[at + 3]);
        if (marker == 0xDA || length < 2 || at + 2 + length > jpeg.size()) {
            break;  // the picture data begins
        }
        if (marker == 0xDB) {
            for (size_t table = at + 4; table < at + 2 + length;) {
                bool wide = (static_cast<unsigned char>(jpeg[table]) >> 4) != 0;
                for (size_t i = 0; i < 64; ++i) {
                    values.push_back(wide ? static_cast<unsigned char>(jpeg[table + 1 + 2 * i + 1])
                                          : static_cast<unsigned char>(jpeg[table + 1 + i]));
                }
                table += 1 + (wide ? 128 : 64);
            }
        }
        at += 2 + length;
    }
    return values;
}

TEST_F(Thumbnails, JpegIsSavedAtFullQuality) {
    Gdiplus::Bitmap noise(64, 64, PixelFormat32bppRGB);
    uint32_t seed = 12345;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            seed = seed * 1103515245u + 12345u;
            BYTE level = static_cast<BYTE>((seed >> 16) & 0xFF);
            noise.SetPixel(x, y, Gdiplus::Color(255, level, level, level));
        }
    }
    std::wstring best = root.file(L"noise.jpg");
    ASSERT_TRUE(save_jpeg(&noise, best.c_str()));
    EXPECT_FALSE(save_jpeg(&noise, root.file(L"no such folder\\noise.jpg").c_str()));
    EXPECT_FALSE(save_jpeg(nullptr, best.c_str()));
    std::string saved;
    ASSERT_TRUE(read_whole_file(best, saved));
    ASSERT_GE(saved.size(), 4u);
    EXPECT_EQ(saved.substr(0, 2), "\xFF\xD8");
    Pixels decoded = read_picture_file(best);
    EXPECT_EQ(decoded.width, 64);
    EXPECT_EQ(decoded.height, 64);

    // Quality 100 divides by 1 everywhere: every quantization value is 1.
    // Wine's GDI+ encodes every JPEG at its fixed default quality whatever it
    // is asked: its file equals the one saved without parameters.
    std::vector<BYTE> storage;
    const Gdiplus::ImageCodecInfo* jpeg = encoder(L"image/jpeg", storage);
    ASSERT_TRUE(jpeg);
    std::wstring usualPath = root.file(L"noise-default.jpg");
    ASSERT_EQ(noise.Save(usualPath.c_str(), &jpeg->Clsid, nullptr), Gdiplus::Ok);
    std::string usual;
    ASSERT_TRUE(read_whole_file(usualPath, usual));
    std::vector<int> tables = quantization_values(saved);
    ASSERT_FALSE(tables.empty());
    if (saved == usual) {
        GTEST_SKIP() << "this GDI+ ignores the JPEG quality parameter (as Wine 8 does)";
    }
    EXPECT_EQ(std::count(tables.begin(), tables.end(), 1), static_cast<long>(tables.size()));
}

}  // namespace
