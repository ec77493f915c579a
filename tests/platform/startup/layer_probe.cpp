// Links the layer as a test or a plug-in's host does, and says what that did to the process:
// the handlers of the stop signals, and whether any X library is mapped, after making a window.
#include <windows.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

const char* HandlerOf(int signal) {
    struct sigaction action {};
    if (sigaction(signal, nullptr, &action) != 0)
        return "unknown";
    if (action.sa_handler == SIG_DFL)
        return "default";
    return action.sa_handler == SIG_IGN ? "ignored" : "handled";
}

bool XMapped() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find("/libpelmora-x11.so") != std::string::npos ||
            line.find("/libX11.") != std::string::npos)
            return true;
    return false;
}

} // namespace

int main() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "LayerProbe";
    HWND w = RegisterClassExA(&wc)
                 ? CreateWindowExA(0, "LayerProbe", "Probe", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                   nullptr, nullptr, nullptr, nullptr)
                 : nullptr;
    if (w)
        UpdateWindow(w);
    std::printf("window %s\n", w ? "made" : "not made");
    std::printf("SIGTERM %s\nSIGINT %s\nSIGHUP %s\n", HandlerOf(SIGTERM), HandlerOf(SIGINT),
                HandlerOf(SIGHUP));
    std::printf("X %s\n", XMapped() ? "mapped" : "not mapped");
    if (w)
        DestroyWindow(w);
    return 0;
}
