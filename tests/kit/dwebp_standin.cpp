// dwebp.exe of the test kit: takes dwebp's command line and decodes the WebP
// picture into the file format dwebp would write, through the real
// ffmpeg.exe beside it (its WebP decoder), so that the program under test
// can drive it exactly like the real one. See README.md.
//
// Kit errors (an option the stand-in does not do, no ffmpeg.exe) print
// "kit error: ..." and exit 99, so that a test fails loudly.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/utf.h"
#include "base/win_handles.h"

namespace {

constexpr int KIT_ERROR_EXIT = 99;
constexpr int DWEBP_FAILURE_EXIT = -1;  // dwebp's main returns -1 on every failure
constexpr DWORD FFMPEG_WAIT_MS = 60000;

// dwebp writes its messages to stderr.
void say(const std::string& text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int kit_error(const std::string& text) {
    say("kit error: " + text + "\n");
    return KIT_ERROR_EXIT;
}

std::string json_string(const std::string& text) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The same argument log as the stand-in yt-dlp.exe writes: one JSON array
// of UTF-8 strings per run, the program first, in one write.
bool append_argument_log(const std::wstring& path, const std::vector<std::wstring>& argv) {
    std::string line = "[";
    for (size_t i = 0; i < argv.size(); ++i) {
        line += i ? "," : "";
        line += json_string(wide_to_utf8(argv[i]));
    }
    line += "]\n";
    UniqueHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size();
}

std::wstring environment_value(const wchar_t* name) {
    wchar_t value[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(value, n) : std::wstring();
}

// What the picture's header says: dwebp reads it before decoding.
struct WebpHeader {
    bool valid = false;
    bool lossless = false;
    bool alpha = false;
    uint32_t width = 0;
    uint32_t height = 0;
};

uint32_t little_endian(const std::string& bytes, size_t at, size_t count) {
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i) {
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

WebpHeader read_webp_header(const std::string& bytes) {
    WebpHeader header;
    if (bytes.size() < 30 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WEBP") != 0) {
        return header;
    }
    std::string chunk = bytes.substr(12, 4);
    if (chunk == "VP8 " && static_cast<unsigned char>(bytes[23]) == 0x9d &&
        static_cast<unsigned char>(bytes[24]) == 0x01 && static_cast<unsigned char>(bytes[25]) == 0x2a) {
        header.width = little_endian(bytes, 26, 2) & 0x3FFF;
        header.height = little_endian(bytes, 28, 2) & 0x3FFF;
    } else if (chunk == "VP8L" && static_cast<unsigned char>(bytes[20]) == 0x2f) {
        uint32_t bits = little_endian(bytes, 21, 4);
        header.lossless = true;
        header.width = (bits & 0x3FFF) + 1;
        header.height = ((bits >> 14) & 0x3FFF) + 1;
        header.alpha = (bits >> 28) & 1;
    } else if (chunk == "VP8X") {
        header.alpha = (static_cast<unsigned char>(bytes[20]) & 0x10) != 0;
        header.width = little_endian(bytes, 24, 3) + 1;
        header.height = little_endian(bytes, 27, 3) + 1;
    } else {
        return header;
    }
    header.valid = header.width > 0 && header.height > 0;
    return header;
}

bool read_file(const std::wstring& path, std::string& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        return false;
    }
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &n, nullptr) && n > 0) {
        bytes.append(buffer, n);
    }
    return true;
}

// The output formats dwebp can write that ffmpeg writes alike, with the
// samples dwebp puts in them.
struct OutputFormat {
    const wchar_t* option;  // null: dwebp's default, PNG
    const char* name;
    const wchar_t* codec;
    const wchar_t* pixels;       // without alpha
    const wchar_t* alphaPixels;  // with alpha
};
const OutputFormat kFormats[] = {
    {nullptr, "PNG", L"png", L"rgb24", L"rgba"},
    {L"-bmp", "BMP", L"bmp", L"bgr24", L"bgra"},
    {L"-tiff", "TIFF", L"tiff", L"rgb24", L"rgba"},
    {L"-ppm", "PPM", L"ppm", L"rgb24", L"rgb24"},
    {L"-pam", "PAM", L"pam", L"rgba", L"rgba"},
};

// dwebp's switches that change nothing the stand-in could show.
const wchar_t* const kIgnoredSwitches[] = {L"-nofancy", L"-nofilter", L"-nodither", L"-alpha_dither", L"-mt",
                                           L"-v",       L"-quiet",    L"-noasm",    L"-incremental"};

struct Request {
    std::wstring input;
    std::wstring output;
    const OutputFormat* format = &kFormats[0];
    bool quiet = false;
};

// The command line as dwebp reads it; false with the reason for a kit error.
bool read_request(const std::vector<std::wstring>& args, Request& request, std::string& error) {
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        bool known = false;
        for (const OutputFormat& format : kFormats) {
            if (format.option && arg == format.option) {
                request.format = &format;
                known = true;
            }
        }
        for (const wchar_t* ignored : kIgnoredSwitches) {
            if (arg == ignored) {
                known = true;
                request.quiet |= arg == L"-quiet";
            }
        }
        if (known) {
            continue;
        }
        if (arg == L"-o" || arg == L"-dither") {
            if (i + 1 >= args.size()) {
                error = "missing value for " + wide_to_utf8(arg);
                return false;
            }
            if (arg == L"-o") {
                request.output = args[i + 1];
            }
            ++i;
        } else if (arg == L"--") {
            if (i + 1 < args.size()) {
                request.input = args[i + 1];
            }
            break;
        } else if (!arg.empty() && arg[0] == L'-') {
            error = "the stand-in dwebp does not do " + wide_to_utf8(arg);
            return false;
        } else {
            request.input = arg;
        }
    }
    if (request.input.empty()) {
        error = "no input file";
        return false;
    }
    return true;
}

std::wstring beside_this_program(const wchar_t* name) {
    wchar_t path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + name;
}

// ffmpeg writes the one picture as the format's file; its own messages go
// to the console this program shares with it.
int run_ffmpeg(const std::wstring& ffmpeg, const Request& request, const WebpHeader& header) {
    const wchar_t* pixels = header.alpha ? request.format->alphaPixels : request.format->pixels;
    // "file:" keeps ffmpeg from reading a path as a protocol; -update 1 from
    // reading it as a numbered sequence.
    std::wstring command = L"\"" + ffmpeg + L"\" -nostdin -hide_banner -loglevel error -y -f webp_pipe -i \"file:" +
                           request.input + L"\" -frames:v 1 -c:v " + request.format->codec + L" -pix_fmt " + pixels +
                           L" -f image2 -update 1 \"file:" + request.output + L"\"";
    std::vector<wchar_t> writable(command.begin(), command.end());
    writable.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(ffmpeg.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return kit_error("cannot start " + wide_to_utf8(ffmpeg));
    }
    UniqueHandle process(info.hProcess);
    CloseHandle(info.hThread);
    DWORD code = 1;
    if (WaitForSingleObject(process.get(), FFMPEG_WAIT_MS) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        return kit_error("ffmpeg did not finish");
    }
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

}  // namespace

int wmain(int, wchar_t**) {
    int count = 0;
    wchar_t** raw = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 0; raw && i < count; ++i) {
        args.emplace_back(raw[i]);
    }
    LocalFree(raw);

    std::wstring logPath = environment_value(L"TAVLO_KIT_ARGS_LOG");
    if (!logPath.empty() && !append_argument_log(logPath, args)) {
        return kit_error("cannot append to " + wide_to_utf8(logPath));
    }
    Request request;
    std::string error;
    if (!read_request(args, request, error)) {
        return kit_error(error);
    }
    std::string input = wide_to_utf8(request.input);
    std::string bytes;
    if (!read_file(request.input, bytes)) {
        say("cannot open input file '" + input + "'\n");
        return DWEBP_FAILURE_EXIT;
    }
    WebpHeader header = read_webp_header(bytes);
    if (!header.valid) {
        say("Decoding of " + input + " failed.\nStatus: 3(BITSTREAM_ERROR)\n");
        return DWEBP_FAILURE_EXIT;
    }
    if (!request.quiet) {
        say("Decoded " + input + ". Dimensions: " + std::to_string(header.width) + " x " +
            std::to_string(header.height) + (header.alpha ? " (with alpha)" : " (no alpha)") +
            ". Format: " + (header.lossless ? "lossless" : "lossy") + ". Now saving...\n");
    }
    if (request.output.empty()) {
        say(std::string("Nothing written; use -o flag to save the result as e.g. ") + request.format->name + ".\n");
        return 0;
    }
    std::wstring ffmpeg = beside_this_program(L"ffmpeg.exe");
    DWORD attributes = GetFileAttributesW(ffmpeg.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return kit_error("no ffmpeg.exe beside the stand-in dwebp.exe");
    }
    DeleteFileW(request.output.c_str());  // only what ffmpeg writes now counts
    int code = run_ffmpeg(ffmpeg, request, header);
    if (code == KIT_ERROR_EXIT) {
        return code;
    }
    attributes = GetFileAttributesW(request.output.c_str());
    if (code != 0 || attributes == INVALID_FILE_ATTRIBUTES) {
        DeleteFileW(request.output.c_str());  // a half-written picture must not pass for a decoded one
        say("Error writing file " + wide_to_utf8(request.output) + " !!\n");
        return DWEBP_FAILURE_EXIT;
    }
    if (!request.quiet) {
        say("Saved file " + wide_to_utf8(request.output) + "\n");
    }
    return 0;
}
