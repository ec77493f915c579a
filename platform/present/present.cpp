#include "present/present.h"

#include "present/headless.h"
#include "present/picture.h"
#include "present/backend_modules.h"
#include "user32/modal_loop.h"
#include "user32/window_manager.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace platform::present {

namespace {

std::recursive_mutex backend_mutex;
std::unique_ptr<Backend> backend;

bool HeadlessAsked() {
    const char* value = std::getenv("PELMORA_PLATFORM_HEADLESS");
    return value && std::strcmp(value, "1") == 0;
}

// A start whose windows cannot be shown ends here, before anything is read or written.
[[noreturn]] void EndTheStart(const std::string& message) {
    std::fputs(message.c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

std::unique_ptr<Backend> Choose() {
    if (HeadlessAsked())
        return MakeHeadlessBackend();
    for (const BackendModule& module : kBackendModules) {
        const char* screen = std::getenv(module.screen_variable);
        if (!screen || !*screen)
            continue;
        std::string error;
        const OpenBackend open = LoadBackendModule(module, error);
        if (!open) {
            EndTheStart("Pelmora cannot load its " + std::string(module.kind) + " module \"" +
                        BackendModulePath(module) + "\": " + error +
                        ". The module belongs beside libpelmora-platform.so; set "
                        "PELMORA_PLATFORM_HEADLESS=1 to run without a display.\n");
        }
        std::unique_ptr<Backend> shown(open(screen, &error));
        if (!shown) {
            EndTheStart("Pelmora cannot open the " + std::string(module.screen) + " \"" +
                        std::string(screen) + "\": " + error +
                        ". Start it where a display is available, or set "
                        "PELMORA_PLATFORM_HEADLESS=1 to run without one.\n");
        }
        return shown;
    }
    return MakeHeadlessBackend();
}

// Every wait for a message, modal or not, watches the back end's descriptor and runs its pump.
void JoinTheWaits(Backend* b) {
    if (!b || b->WaitDescriptor() < 0) {
        user32::SetMessageSource({});
        return;
    }
    user32::SetMessageSource({b->WaitDescriptor(), [] { TheBackend().Pump(); }});
}

} // namespace

Backend& TheBackend() {
    std::lock_guard lock(backend_mutex);
    if (!backend) {
        backend = MakeHeadlessBackend();
        JoinTheWaits(backend.get());
    }
    return *backend;
}

void ChooseBackend() {
    SetBackend(Choose());
}

void SetBackend(std::unique_ptr<Backend> replacement) {
    std::lock_guard lock(backend_mutex);
    backend = std::move(replacement);
    JoinTheWaits(backend.get());
}

std::vector<MonitorArea> StartupMonitors() {
    std::vector<MonitorArea> monitors = TheBackend().Monitors();
    if (monitors.empty())
        monitors.push_back(MonitorArea{RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1040}});
    return monitors;
}

void WindowPainted(HWND hwnd) {
    HWND top = user32::TopLevelOf(hwnd);
    if (!top || PaintPendingInTree(top))
        return;
    {
        std::lock_guard lock(user32::DesktopLock());
        auto w = user32::FindWindowRecord(top);
        if (!w || w->message_only || !user32::IsVisibleLocked(*w))
            return;
    }
    WriteSnapshot(top);
    TheBackend().WindowPainted(top);
}

} // namespace platform::present
