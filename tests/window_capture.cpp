#include "tests/window_capture.h"

#include "base/gdiplus.h"

COLORREF Capture::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return CLR_INVALID;
    }
    DWORD p = pixels[static_cast<size_t>(y) * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

Capture capture_window(HWND window, bool clientOnly) {
    Capture c;
    RECT r;
    if (clientOnly) {
        GetClientRect(window, &r);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    } else {
        GetWindowRect(window, &r);
    }
    c.width = r.right - r.left;
    c.height = r.bottom - r.top;
    if (c.width <= 0 || c.height <= 0) {
        return c;
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = c.width;
    info.bmiHeader.biHeight = -c.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, c.width, c.height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    c.pixels.assign(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + c.width * c.height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return c;
}

bool Capture::save_png(const std::wstring& path) const {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        return false;
    }
    bool saved = false;
    {
        Gdiplus::Bitmap bitmap(width, height, width * 4, PixelFormat32bppRGB,
                               reinterpret_cast<BYTE*>(const_cast<DWORD*>(pixels.data())));
        UINT count = 0, size = 0;
        Gdiplus::GetImageEncodersSize(&count, &size);
        std::vector<BYTE> buffer(size);
        auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
        Gdiplus::GetImageEncoders(count, size, encoders);
        for (UINT i = 0; i < count; ++i) {
            if (wcscmp(encoders[i].MimeType, L"image/png") == 0) {
                saved = bitmap.Save(path.c_str(), &encoders[i].Clsid, nullptr) == Gdiplus::Ok;
            }
        }
    }
    Gdiplus::GdiplusShutdown(token);
    return saved;
}

std::wstring artifact_path(const wchar_t* name) {
    std::string folder = TAVLO_ARTIFACTS;
    std::wstring wide(folder.begin(), folder.end());
    CreateDirectoryW(wide.c_str(), nullptr);
    return wide + L"\\" + name;
}
