// A small Windows tool for the check that runs the Windows build under Wine: it waits for a
// window of the program, reports what it sees on standard output and closes the window as a
// user or the system would.
//
//   window_probe main <milliseconds> <picture.bmp>
//       waits for the main window to be shown, prints "size <width> <height>" and
//       "colors <count of distinct colours>", writes the window's pixels to the picture and
//       posts WM_CLOSE to it.
//   window_probe message <milliseconds>
//       waits for a message box, prints "caption <text>" and one "text <text>" per static
//       control that has a text, then closes it with WM_CLOSE (its OK).
//   window_probe resources <library>
//       loads the library as the program does and prints what it holds: "string <id>" for
//       every string 0 to 4095, "menu <name> <items>" for every menu and "dialog <name>" for
//       every dialog template, in the order the system lists them.
//
// Exit code 0 when the window was found and closed, 2 when it did not appear in time, 1 for a
// wrong command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr char kMainWindowClass[] = "Pelmora Main Window Class";
constexpr char kDialogClass[] = "#32770";

template <typename Find> HWND WaitForWindow(DWORD timeout, Find find) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = find())
            return window;
        if (GetTickCount() - start > timeout)
            return nullptr;
        Sleep(50);
    }
}

bool WriteBitmap(const char* path, int width, int height, const std::vector<DWORD>& pixels) {
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    const DWORD bytes = DWORD(pixels.size() * sizeof(DWORD));
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + bytes;
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = -height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    FILE* out = std::fopen(path, "wb");
    if (!out)
        return false;
    bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
              std::fwrite(&info, sizeof info, 1, out) == 1 &&
              std::fwrite(pixels.data(), 1, bytes, out) == bytes;
    return std::fclose(out) == 0 && ok;
}

int ProbeMainWindow(DWORD timeout, const char* picture) {
    HWND window = WaitForWindow(timeout, [] {
        HWND found = FindWindowA(kMainWindowClass, nullptr);
        return found && IsWindowVisible(found) ? found : nullptr;
    });
    if (!window) {
        std::printf("error the main window did not appear within %lu ms\n",
                    static_cast<unsigned long>(timeout));
        return 2;
    }
    // The window fades in and draws its rows on its first timer ticks.
    Sleep(2000);

    RECT rect = {};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    std::printf("size %d %d\n", width, height);

    std::vector<DWORD> pixels(size_t(width > 0 ? width : 0) * size_t(height > 0 ? height : 0));
    if (!pixels.empty()) {
        HDC screen = GetDC(window);
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        std::memcpy(pixels.data(), bits, pixels.size() * sizeof(DWORD));
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(window, screen);
    }
    std::set<DWORD> colors;
    for (DWORD pixel : pixels)
        colors.insert(pixel & 0xFFFFFF);
    std::printf("colors %u\n", unsigned(colors.size()));
    if (!WriteBitmap(picture, width, height, pixels))
        std::printf("error the picture %s could not be written\n", picture);

    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}

BOOL CALLBACK PrintStaticText(HWND child, LPARAM) {
    char name[64] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") != 0)
        return TRUE;
    char text[1024] = {};
    GetWindowTextA(child, text, sizeof text);
    if (text[0]) {
        // One line per text: line ends inside it are shown as \r and \n.
        std::string shown;
        for (const char* c = text; *c; ++c)
            shown += *c == '\r'   ? std::string("\\r")
                     : *c == '\n' ? std::string("\\n")
                                  : std::string(1, *c);
        std::printf("text %s\n", shown.c_str());
    }
    return TRUE;
}

int ProbeMessageBox(DWORD timeout) {
    HWND box = WaitForWindow(timeout, [] {
        HWND found = FindWindowA(kDialogClass, nullptr);
        return found && IsWindowVisible(found) ? found : nullptr;
    });
    if (!box) {
        std::printf("error no message box appeared within %lu ms\n",
                    static_cast<unsigned long>(timeout));
        return 2;
    }
    char caption[256] = {};
    GetWindowTextA(box, caption, sizeof caption);
    std::printf("caption %s\n", caption);
    EnumChildWindows(box, PrintStaticText, 0);
    PostMessageA(box, WM_CLOSE, 0, 0);
    return 0;
}

BOOL CALLBACK PrintResourceName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR) {
    if (IS_INTRESOURCE(name))
        return TRUE;
    if (type == RT_MENU) {
        HMENU menu = LoadMenuA(module, name);
        HMENU first = menu ? GetSubMenu(menu, 0) : nullptr;
        std::printf("menu %s %d\n", name, first ? GetMenuItemCount(first) : -1);
        if (menu)
            DestroyMenu(menu);
    } else {
        std::printf("dialog %s\n", name);
    }
    return TRUE;
}

int ProbeResources(const char* path) {
    HMODULE module = LoadLibraryA(path);
    if (!module) {
        std::printf("error %s could not be loaded (%lu)\n", path,
                    static_cast<unsigned long>(GetLastError()));
        return 2;
    }
    for (UINT id = 0; id < 4096; ++id) {
        char text[512];
        if (LoadStringA(module, id, text, sizeof text) > 0)
            std::printf("string %u\n", id);
    }
    EnumResourceNamesA(module, RT_MENU, PrintResourceName, 0);
    EnumResourceNamesA(module, RT_DIALOG, PrintResourceName, 0);
    FreeLibrary(module);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc == 4 && std::strcmp(argv[1], "main") == 0)
        return ProbeMainWindow(DWORD(std::strtoul(argv[2], nullptr, 10)), argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "message") == 0)
        return ProbeMessageBox(DWORD(std::strtoul(argv[2], nullptr, 10)));
    if (argc == 3 && std::strcmp(argv[1], "resources") == 0)
        return ProbeResources(argv[2]);
    std::fprintf(stderr,
                 "usage: window_probe main <milliseconds> <picture.bmp> | message <milliseconds> | "
                 "resources <library>\n");
    return 1;
}
