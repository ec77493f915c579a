// What the presentation's tests share: a PNG reader and writer, a window class whose windows
// paint one colour.
#pragma once

#include <windows.h>

#include "gdi32/surface.h"
#include "testing/temporary_folder.h"

#include <png.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace present_test {

// Whether this run must have an X server (scripts/test says so with PELMORA_TEST_REQUIRE_X=1):
// there a suite that cannot start one fails instead of skipping, so that a run without Xvfb
// never passes for one that tested the X11 back end.
inline bool XServerRequired() {
    const char* value = std::getenv("PELMORA_TEST_REQUIRE_X");
    return value && *value && std::string(value) != "0";
}

// The failure for a suite that needs an X server and has none.
constexpr char kNoXServer[] =
    "Xvfb cannot be started, and this run needs an X server (PELMORA_TEST_REQUIRE_X is set)";

struct Png {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    // 0x00RRGGBB of a pixel.
    uint32_t At(int x, int y) const {
        const uint8_t* p = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
        return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    }
    uint8_t Alpha(int x, int y) const {
        return rgba[(size_t(y) * size_t(width) + size_t(x)) * 4 + 3];
    }
};

inline Png ReadPng(const std::string& path) {
    Png out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return out;
    image.format = PNG_FORMAT_RGBA;
    out.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr)) {
        out.rgba.clear();
        return out;
    }
    out.width = int(image.width);
    out.height = int(image.height);
    return out;
}

// Writes pixels (0x00RRGGBB) to a PNG file of the given name, for looking at what a test saw:
// in the snapshot folder when one is named, else in a temporary folder (see PictureFile).
inline bool WritePng(const platform::gdi::Surface& surface, const std::string& name) {
    std::vector<uint8_t> rgba;
    for (uint32_t p : surface.pixels)
        rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255});
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(surface.width);
    image.height = png_uint_32(surface.height);
    image.format = PNG_FORMAT_RGBA;
    const platform::testing::PictureFile picture(name);
    return png_image_write_to_file(&image, picture.path().c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

// Windows of the class "Colour" paint their client area in the colour kept in GWLP_USERDATA.
inline LRESULT CALLBACK ColourProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        HBRUSH brush = CreateSolidBrush(COLORREF(GetWindowLongPtrA(hwnd, GWLP_USERDATA)));
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

inline void RegisterColourClass(const char* name = "Colour", UINT style = 0) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = ColourProc;
    wc.lpszClassName = name;
    RegisterClassExA(&wc);
}

inline HWND ColourWindow(const char* title, DWORD style, DWORD ex_style, RECT r, COLORREF colour,
                         HWND parent = nullptr, const char* cls = "Colour") {
    HWND hwnd =
        CreateWindowExA(ex_style, cls, title, style & ~DWORD(WS_VISIBLE), r.left, r.top,
                        r.right - r.left, r.bottom - r.top, parent, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, LONG_PTR(colour));
    if (style & WS_VISIBLE)
        ShowWindow(hwnd, SW_SHOWNA);
    return hwnd;
}

} // namespace present_test
