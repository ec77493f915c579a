#include "present/headless.h"

#include "host/codepage.h"
#include "present/backend_host.h"
#include "present/snapshot.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>

namespace platform::present {

namespace {

std::mutex folder_mutex;
bool folder_overridden = false;
std::optional<std::string> folder_override;
// Folders already reported as unusable, so that the message comes once per folder.
std::set<std::string> reported;

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

void ReportOnce(const std::string& folder, const std::string& why) {
    {
        std::lock_guard lock(folder_mutex);
        if (!reported.insert(folder).second)
            return;
    }
    std::fprintf(stderr,
                 "PELMORA_PLATFORM_SNAPSHOT: no window pictures are written to \"%s\": %s\n",
                 folder.c_str(), why.c_str());
}

// The folder, created when missing; nothing (and a message) when it cannot be used.
bool FolderUsable(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::is_directory(folder, error))
        return true;
    if (fs::exists(folder, error)) {
        ReportOnce(folder, "it is not a folder");
        return false;
    }
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder)) {
        ReportOnce(folder, "the folder cannot be created (" +
                               (error ? error.message() : std::string("not a folder")) + ")");
        return false;
    }
    return true;
}

class HeadlessBackend final : public Backend {
public:
    std::vector<MonitorArea> Monitors() override { return {}; }
    void WindowCreated(HWND) override {}
    void WindowDestroyed(HWND) override {}
    void WindowChanged(HWND) override {}
    void LayeredChanged(HWND) override {}
    void Activated(HWND) override {}
    void WindowPainted(HWND) override {}
    int WaitDescriptor() override { return -1; }
    void Pump() override {}
    bool GrabHotKey(UINT, UINT) override { return true; }
    void UngrabHotKey(UINT, UINT) override {}
    bool CursorPosition(POINT&) override { return false; }
    // The icons live in the layer's list alone; there is always room for them.
    bool TrayIconAdded(const TrayEntry&) override { return true; }
    void TrayIconChanged(const TrayEntry&) override {}
    void TrayIconRemoved(HWND, UINT) override {}
};

} // namespace

std::unique_ptr<Backend> MakeHeadlessBackend() {
    return std::make_unique<HeadlessBackend>();
}

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

void WriteSnapshot(HWND top) {
    std::optional<std::string> folder = SnapshotFolder();
    if (!folder)
        return;
    std::string title;
    uint8_t alpha = 255;
    std::optional<COLORREF> key;
    {
        const std::optional<WindowState> w = ReadWindow(top);
        if (!w || w->child || w->message_only || !w->shown)
            return;
        title = w->title;
        if (w->layered_set && (w->ex_style & WS_EX_LAYERED)) {
            if (w->layered_flags & LWA_ALPHA)
                alpha = w->layered_alpha;
            if (w->layered_flags & LWA_COLORKEY)
                key = w->layered_key;
        }
    }
    std::optional<gdi::Surface> picture = ComposeWindow(top);
    if (!picture || picture->width == 0 || picture->height == 0 || !FolderUsable(*folder))
        return;
    // Written beside the final name and renamed into place, so a viewer never reads half a file.
    std::string path = *folder + "/" + FileNameOf(title) + ".png";
    std::string partial = path + ".part";
    if (WriteSurfacePng(*picture, partial, alpha, key) &&
        std::rename(partial.c_str(), path.c_str()) == 0)
        return;
    const int saved = errno;
    std::remove(partial.c_str());
    ReportOnce(*folder, std::string("a picture cannot be written (") + std::strerror(saved) + ")");
}

} // namespace platform::present
