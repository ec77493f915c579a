#include "present/headless.h"

#include "host/codepage.h"
#include "present/snapshot.h"
#include "user32/compose.h"
#include "user32/window_manager.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform::present {

namespace {

std::mutex folder_mutex;
bool folder_overridden = false;
std::optional<std::string> folder_override;

// A title as a file name: UTF-8, with the characters a file name cannot hold replaced.
std::string FileNameOf(const std::string& ansi_title) {
    std::string name = host::AnsiToUtf8(ansi_title);
    for (char& c : name) {
        if (c == '/' || c == '\\' || (unsigned char)c < 0x20)
            c = '_';
    }
    if (name.empty() || name == "." || name == "..")
        name = "window";
    return name;
}

} // namespace

std::optional<std::string> SnapshotFolder() {
    std::lock_guard lock(folder_mutex);
    if (folder_overridden)
        return folder_override;
    const char* value = std::getenv("PELMORA_PLATFORM_SNAPSHOT");
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

void SetSnapshotFolder(std::optional<std::string> folder) {
    std::lock_guard lock(folder_mutex);
    folder_overridden = folder.has_value();
    folder_override = std::move(folder);
}

void WindowPainted(HWND painted) {
    std::optional<std::string> folder = SnapshotFolder();
    if (!folder)
        return;
    // A control that paints changes what its top-level window shows.
    HWND hwnd = user32::TopLevelOf(painted);
    std::string title;
    uint8_t alpha = 255;
    std::optional<COLORREF> key;
    {
        std::lock_guard lock(user32::DesktopLock());
        auto w = user32::FindWindowRecord(hwnd);
        if (!w || w->parent || !w->surface || !user32::IsVisibleLocked(*w))
            return;
        title = w->text;
        if (w->layered_set && (w->ex_style & WS_EX_LAYERED)) {
            if (w->layered_flags & LWA_ALPHA)
                alpha = w->layered_alpha;
            if (w->layered_flags & LWA_COLORKEY)
                key = w->layered_key;
        }
    }
    std::optional<gdi::Surface> composed = user32::ComposeWindow(hwnd);
    if (!composed)
        return;
    // The client area alone: the frame is not drawn on the surface.
    SIZE client = user32::ClientSize(hwnd);
    gdi::Surface pixels;
    pixels.width = std::min(composed->width, int(client.cx));
    pixels.height = std::min(composed->height, int(client.cy));
    if (pixels.width <= 0 || pixels.height <= 0)
        return;
    pixels.pixels.resize(size_t(pixels.width) * size_t(pixels.height));
    for (int y = 0; y < pixels.height; ++y)
        std::copy_n(composed->pixels.begin() + ptrdiff_t(y) * composed->width, pixels.width,
                    pixels.pixels.begin() + ptrdiff_t(y) * pixels.width);
    // Written beside the final name and renamed into place, so a viewer never reads half a file.
    std::string path = *folder + "/" + FileNameOf(title) + ".png";
    std::string partial = path + ".part";
    if (WriteSurfacePng(pixels, partial, alpha, key))
        std::rename(partial.c_str(), path.c_str());
    else
        std::remove(partial.c_str());
}

} // namespace platform::present
