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
//   window_probe version <file>
//       reads the file's version resource as Explorer does and prints "file <a.b.c.d>" and
//       "product <a.b.c.d>" from its fixed part, one "<name> <text>" per text of its U.S.
//       English table, and "manifest yes" or "manifest no" for the program's manifest.
//   window_probe pixels <picture>
//       reads a picture that the system's imaging component can decode (the probe's own
//       pictures and the Linux build's PNG pictures alike) and prints "size <width> <height>"
//       and one line per pixel row, "row <y>:" and runs of "<count>*<RRGGBB>", the colours
//       without their alpha.
//   window_probe ime <milliseconds> <picture prefix>
//       waits for the main window as "main" does, then moves the focus and the input method
//       state in windows of the probe's own process, so that only a hook carried into this
//       process can tell the main window. One line "step <name> changed" or "step <name>
//       unchanged" per step, each after the main window's picture changed or three seconds
//       passed, and the picture of the main window then written to <prefix><name>.bmp:
//         no-context    the focus goes to a window without an input context
//         closed        the focus goes to a window with the thread's input context, closed
//         open          that context is opened
//         closed-again  and closed again
//       then it closes its windows and posts WM_CLOSE to the main window.
//   window_probe dialogs <library> <picture prefix>
//       makes every dialog template of the library in the probe's own process (a page as the
//       child of a dialog of the probe's) and prints, each rectangle in the dialog's client area:
//         dialog <name> <client rect> units <cx> <cy>
//         control <name> <id> <class> <rect>       each visible control
//       and "error ..." for a control that lies outside its dialog; the picture of each dialog
//       that is not a page goes to <prefix><name>.bmp.
//   window_probe sheet <milliseconds> <picture prefix>
//       waits for the main window as "main" does, opens the options sheet by its menu command,
//       shows each page in turn and prints the layout seen, in pixels, each rectangle as
//       "<left> <top> <right> <bottom>":
//         sheet <width> <height> units <cx> <cy>   the sheet's client area and the base units
//                                                  of 8-point MS Shell Dlg, the sheet's font
//         font <face>                              the face that font is
//         page <index> <rect>                      the page, in the sheet's client area
//         control <index> <id> <class> <rect>      each visible control, in the page's
//       and "error ..." for a control that lies outside its page or the sheet. The sheet's
//       picture with each page shown goes to <prefix><index>.bmp; then the sheet is cancelled
//       and the main window closed.
//
// Exit code 0 when the window was found and closed (or the picture read), 2 when it did not
// appear in time (or the picture could not be read), 1 for a wrong command line.
#include <windows.h>
#include <commctrl.h>
#include <imm.h>
#include <wincodec.h>

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

// The pixels of a window or of a picture file, top row first, each 0xAARRGGBB.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;
};

// The window's pixels from its client area's top-left corner, or with `frame` from its
// window's, the caption and borders included.
Picture CaptureWindow(HWND window, bool frame = false) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    Picture seen;
    seen.width = rect.right - rect.left > 0 ? rect.right - rect.left : 0;
    seen.height = rect.bottom - rect.top > 0 ? rect.bottom - rect.top : 0;
    seen.pixels.resize(size_t(seen.width) * size_t(seen.height));
    if (seen.pixels.empty())
        return seen;
    HDC screen = frame ? GetWindowDC(window) : GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = seen.width;
    info.bmiHeader.biHeight = -seen.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, seen.width, seen.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    std::memcpy(seen.pixels.data(), bits, seen.pixels.size() * sizeof(DWORD));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return seen;
}

bool WriteBitmap(const char* path, const Picture& picture) {
    const int width = picture.width;
    const int height = picture.height;
    const std::vector<DWORD>& pixels = picture.pixels;
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

// The main window once it is shown and has drawn its rows; null, with the error printed, when
// it did not appear in time.
HWND WaitForMainWindow(DWORD timeout) {
    HWND window = WaitForWindow(timeout, [] {
        HWND found = FindWindowA(kMainWindowClass, nullptr);
        return found && IsWindowVisible(found) ? found : nullptr;
    });
    if (!window) {
        std::printf("error the main window did not appear within %lu ms\n",
                    static_cast<unsigned long>(timeout));
        return nullptr;
    }
    // The window fades in and draws its rows on its first timer ticks.
    Sleep(2000);
    return window;
}

int ProbeMainWindow(DWORD timeout, const char* picture) {
    HWND window = WaitForMainWindow(timeout);
    if (!window)
        return 2;

    const Picture seen = CaptureWindow(window);
    std::printf("size %d %d\n", seen.width, seen.height);
    std::set<DWORD> colors;
    for (DWORD pixel : seen.pixels)
        colors.insert(pixel & 0xFFFFFF);
    std::printf("colors %u\n", unsigned(colors.size()));
    if (!WriteBitmap(picture, seen))
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

int ProbeVersion(const char* path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    std::vector<BYTE> info(size);
    if (size == 0 || !GetFileVersionInfoA(path, 0, size, info.data())) {
        std::printf("error %s has no version resource (%lu)\n", path,
                    static_cast<unsigned long>(GetLastError()));
        return 2;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueA(info.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length) && fixed) {
        std::printf("file %lu.%lu.%lu.%lu\n",
                    static_cast<unsigned long>(HIWORD(fixed->dwFileVersionMS)),
                    static_cast<unsigned long>(LOWORD(fixed->dwFileVersionMS)),
                    static_cast<unsigned long>(HIWORD(fixed->dwFileVersionLS)),
                    static_cast<unsigned long>(LOWORD(fixed->dwFileVersionLS)));
        std::printf("product %lu.%lu.%lu.%lu\n",
                    static_cast<unsigned long>(HIWORD(fixed->dwProductVersionMS)),
                    static_cast<unsigned long>(LOWORD(fixed->dwProductVersionMS)),
                    static_cast<unsigned long>(HIWORD(fixed->dwProductVersionLS)),
                    static_cast<unsigned long>(LOWORD(fixed->dwProductVersionLS)));
    }
    for (const char* name :
         {"FileDescription", "FileVersion", "OriginalFilename", "ProductName", "ProductVersion"}) {
        const std::string key = std::string("\\StringFileInfo\\040904E4\\") + name;
        char* text = nullptr;
        if (VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<LPVOID*>(&text), &length) &&
            text && length > 0)
            std::printf("%s %s\n", name, text);
    }
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const bool manifest =
        module && FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)) != nullptr;
    std::printf("manifest %s\n", manifest ? "yes" : "no");
    if (module)
        FreeLibrary(module);
    return 0;
}

// Decodes a picture file with the system's imaging component into 32-bit pixels.
bool ReadPicture(const char* path, Picture& picture) {
    wchar_t wide[MAX_PATH] = {};
    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH))
        return false;
    bool ok = false;
    IWICImagingFactory* factory = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    UINT width = 0, height = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&factory))) &&
        SUCCEEDED(factory->CreateDecoderFromFilename(wide, nullptr, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) &&
        SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA,
                                        WICBitmapDitherTypeNone, nullptr, 0.0,
                                        WICBitmapPaletteTypeCustom)) &&
        SUCCEEDED(converter->GetSize(&width, &height))) {
        picture.width = int(width);
        picture.height = int(height);
        picture.pixels.assign(size_t(width) * size_t(height), 0);
        ok = SUCCEEDED(converter->CopyPixels(nullptr, width * sizeof(DWORD),
                                             UINT(picture.pixels.size() * sizeof(DWORD)),
                                             reinterpret_cast<BYTE*>(picture.pixels.data())));
    }
    if (converter)
        converter->Release();
    if (frame)
        frame->Release();
    if (decoder)
        decoder->Release();
    if (factory)
        factory->Release();
    return ok;
}

int PrintPixels(const char* path) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Picture picture;
    const bool read = ReadPicture(path, picture);
    CoUninitialize();
    if (!read) {
        std::printf("error the picture %s could not be read\n", path);
        return 2;
    }
    std::printf("size %d %d\n", picture.width, picture.height);
    for (int y = 0; y < picture.height; ++y) {
        std::string line = "row " + std::to_string(y) + ":";
        const DWORD* row = picture.pixels.data() + size_t(y) * size_t(picture.width);
        for (int x = 0; x < picture.width;) {
            const DWORD color = row[x] & 0xFFFFFF;
            int count = 0;
            while (x < picture.width && (row[x] & 0xFFFFFF) == color) {
                ++x;
                ++count;
            }
            char run[32];
            std::snprintf(run, sizeof run, " %d*%06lX", count, static_cast<unsigned long>(color));
            line += run;
        }
        std::printf("%s\n", line.c_str());
    }
    return 0;
}

constexpr char kProbeWindowClass[] = "Pelmora Probe Window";
// How long one input-method step waits for the main window to change.
constexpr DWORD kStepTimeout = 3000;

// Handles what is sent or posted to the probe's own windows, without waiting.
void HandleMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Waits until the main window's picture differs from `before` and stays so for one more look,
// handling the probe's messages meanwhile; false when the time ran out first.
bool WaitForNewPicture(HWND window, DWORD timeout, const Picture& before, Picture& after) {
    const DWORD start = GetTickCount();
    Picture last = before;
    for (;;) {
        HandleMessages();
        after = CaptureWindow(window);
        if (after.pixels != before.pixels && after.pixels == last.pixels)
            return true;
        if (GetTickCount() - start > timeout)
            return false;
        last = after;
        Sleep(50);
    }
}

int ProbeInputMethod(DWORD timeout, const char* prefix) {
    HWND window = WaitForMainWindow(timeout);
    if (!window)
        return 2;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = HBRUSH(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kProbeWindowClass;
    RegisterClassA(&windowClass);
    // A frame away from the main window, holding one child with the thread's input context
    // and one without any.
    HWND frame = CreateWindowA(kProbeWindowClass, "Pelmora probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               400, 300, 320, 200, nullptr, nullptr, instance, nullptr);
    HWND withContext = CreateWindowA(kProbeWindowClass, nullptr, WS_CHILD | WS_VISIBLE, 10, 10, 120,
                                     60, frame, nullptr, instance, nullptr);
    HWND withoutContext = CreateWindowA(kProbeWindowClass, nullptr, WS_CHILD | WS_VISIBLE, 150, 10,
                                        120, 60, frame, nullptr, instance, nullptr);
    ImmAssociateContext(withoutContext, nullptr);
    SetForegroundWindow(frame);
    SetFocus(withContext);
    HandleMessages();

    struct Step {
        const char* name;
        HWND focus;   // the window given the focus, or null
        int openness; // the open status then set in its context, or -1
    };
    const Step steps[] = {
        {"no-context", withoutContext, -1},
        {"closed", withContext, -1},
        {"open", nullptr, TRUE},
        {"closed-again", nullptr, FALSE},
    };
    Picture before = CaptureWindow(window);
    for (const Step& step : steps) {
        if (step.focus)
            SetFocus(step.focus);
        if (step.openness >= 0) {
            HWND focus = GetFocus();
            HIMC context = ImmGetContext(focus);
            if (!context || !ImmSetOpenStatus(context, step.openness))
                std::printf("error step %s: the input context cannot be set\n", step.name);
            if (context)
                ImmReleaseContext(focus, context);
        }
        Picture after;
        const bool changed = WaitForNewPicture(window, kStepTimeout, before, after);
        std::printf("step %s %s\n", step.name, changed ? "changed" : "unchanged");
        const std::string picture = std::string(prefix) + step.name + ".bmp";
        if (!WriteBitmap(picture.c_str(), after))
            std::printf("error the picture %s could not be written\n", picture.c_str());
        before = after;
    }

    DestroyWindow(frame);
    HandleMessages();
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}

constexpr WPARAM kOptionsCommand = 1002;

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

// A window's rectangle in the client coordinates of `to`.
RECT RectIn(HWND window, HWND to) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, to, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// The base units that the system gives a dialog in 8-point MS Shell Dlg, and the face of that
// font, from a hidden dialog of the probe's own: MapDialogRect reads only dialogs of the
// calling process.
SIZE ShellDialogUnits(std::string& face) {
    // DLGTEMPLATE, then no menu, the default class, no title, the point size and the face.
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = WS_POPUP | DS_SETFONT;
    header->cx = 100;
    header->cy = 50;
    words.insert(words.end(), {0, 0, 0, 8});
    for (const char* c = "MS Shell Dlg"; *c; ++c)
        words.push_back(WORD(*c));
    words.push_back(0);
    HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                             reinterpret_cast<DLGTEMPLATE*>(words.data()), nullptr,
                                             QuietDialogProc, 0);
    if (!dialog)
        return SIZE{0, 0};
    RECT units = {0, 0, 4, 8};
    MapDialogRect(dialog, &units);
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    char name[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof name, name);
    face = name;
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    DestroyWindow(dialog);
    return SIZE{units.right, units.bottom};
}

// The visible controls of a dialog, each with its rectangle in the dialog's client area, and an
// error line for one that reaches outside it.
void PrintControls(HWND dialog, const std::string& name) {
    RECT client = {};
    GetClientRect(dialog, &client);
    for (HWND control = GetWindow(dialog, GW_CHILD); control;
         control = GetWindow(control, GW_HWNDNEXT)) {
        // Its own style: a dialog not shown yet shows none of its controls.
        if (!(GetWindowLongPtrA(control, GWL_STYLE) & WS_VISIBLE))
            continue;
        char kind[64] = {};
        GetClassNameA(control, kind, sizeof kind);
        const int id = GetDlgCtrlID(control);
        const RECT r = RectIn(control, dialog);
        std::printf("control %s %d %s %ld %ld %ld %ld\n", name.c_str(), id, kind, r.left, r.top,
                    r.right, r.bottom);
        if (!Inside(r, client))
            std::printf("error %s: the %s %d at %ld %ld %ld %ld lies outside the dialog\n",
                        name.c_str(), kind, id, r.left, r.top, r.right, r.bottom);
    }
}

BOOL CALLBACK CollectDialogName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
    if (!IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<std::string>*>(names)->push_back(name);
    return TRUE;
}

// The style of a dialog template, of either form.
DWORD TemplateStyle(HMODULE module, const char* name) {
    HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(5));
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* words = static_cast<const WORD*>(loaded ? LockResource(loaded) : nullptr);
    if (!words)
        return 0;
    DWORD style = 0;
    // DLGTEMPLATEEX starts with its version 1 and 0xFFFF, then the help id and extended style.
    std::memcpy(&style, words[1] == 0xFFFF ? words + 6 : words, sizeof style);
    return style;
}

int ProbeDialogs(const char* path, const char* prefix) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    HMODULE module = LoadLibraryA(path);
    if (!module) {
        std::printf("error %s could not be loaded (%lu)\n", path,
                    static_cast<unsigned long>(GetLastError()));
        return 2;
    }
    std::vector<std::string> names;
    EnumResourceNamesA(module, RT_DIALOG, CollectDialogName, LONG_PTR(&names));
    HWND parent = CreateWindowExA(0, kDialogClass, "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600,
                                  nullptr, nullptr, nullptr, nullptr);
    for (const std::string& name : names) {
        const bool page = (TemplateStyle(module, name.c_str()) & WS_CHILD) != 0;
        HWND dialog =
            CreateDialogParamA(module, name.c_str(), page ? parent : nullptr, QuietDialogProc, 0);
        if (!dialog) {
            std::printf("error %s could not be made (%lu)\n", name.c_str(),
                        static_cast<unsigned long>(GetLastError()));
            continue;
        }
        RECT client = {};
        GetClientRect(dialog, &client);
        RECT units = {0, 0, 4, 8};
        MapDialogRect(dialog, &units);
        std::printf("dialog %s 0 0 %ld %ld units %ld %ld\n", name.c_str(), client.right,
                    client.bottom, units.right, units.bottom);
        PrintControls(dialog, name);
        if (!page) {
            ShowWindow(dialog, SW_SHOWNORMAL);
            UpdateWindow(dialog);
            HandleMessages();
            const std::string picture = std::string(prefix) + name + ".bmp";
            if (!WriteBitmap(picture.c_str(), CaptureWindow(dialog, true)))
                std::printf("error the picture %s could not be written\n", picture.c_str());
        }
        DestroyWindow(dialog);
    }
    DestroyWindow(parent);
    FreeLibrary(module);
    return 0;
}

HWND FindSheet(HWND owner) {
    HWND found = nullptr;
    while ((found = FindWindowExA(nullptr, found, kDialogClass, nullptr)) != nullptr) {
        if (GetWindow(found, GW_OWNER) == owner && IsWindowVisible(found) &&
            FindWindowExA(found, nullptr, WC_TABCONTROLA, nullptr))
            return found;
    }
    return nullptr;
}

int ProbeSheet(DWORD timeout, const char* prefix) {
    HWND window = WaitForMainWindow(timeout);
    if (!window)
        return 2;
    PostMessageA(window, WM_COMMAND, kOptionsCommand, 0);
    HWND sheet = WaitForWindow(timeout, [window] { return FindSheet(window); });
    if (!sheet) {
        std::printf("error the options sheet did not appear within %lu ms\n",
                    static_cast<unsigned long>(timeout));
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 2;
    }
    HWND tab = FindWindowExA(sheet, nullptr, WC_TABCONTROLA, nullptr);
    const int pages = int(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
    RECT client = {};
    GetClientRect(sheet, &client);
    std::string face;
    const SIZE units = ShellDialogUnits(face);
    std::printf("sheet %ld %ld units %ld %ld\nfont %s\n", client.right, client.bottom, units.cx,
                units.cy, face.c_str());
    for (int index = 0; index < pages; ++index) {
        SendMessageA(sheet, PSM_SETCURSEL, WPARAM(index), 0);
        HWND page = HWND(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        if (!page || !IsWindowVisible(page)) {
            std::printf("error page %d is not shown\n", index);
            continue;
        }
        RedrawWindow(sheet, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const RECT pageRect = RectIn(page, sheet);
        RECT pageClient = {};
        GetClientRect(page, &pageClient);
        std::printf("page %d %ld %ld %ld %ld\n", index, pageRect.left, pageRect.top, pageRect.right,
                    pageRect.bottom);
        if (!Inside(pageRect, client))
            std::printf("error page %d lies outside the sheet\n", index);
        for (HWND control = GetWindow(page, GW_CHILD); control;
             control = GetWindow(control, GW_HWNDNEXT)) {
            if (!IsWindowVisible(control))
                continue;
            char name[64] = {};
            GetClassNameA(control, name, sizeof name);
            const int id = GetDlgCtrlID(control);
            const RECT own = RectIn(control, page);
            const RECT outer = RectIn(control, sheet);
            std::printf("control %d %d %s %ld %ld %ld %ld\n", index, id, name, own.left, own.top,
                        own.right, own.bottom);
            if (!Inside(own, pageClient) || !Inside(outer, client))
                std::printf("error page %d: the %s %d at %ld %ld %ld %ld lies outside %s\n", index,
                            name, id, own.left, own.top, own.right, own.bottom,
                            Inside(outer, client) ? "its page" : "the sheet");
        }
        const std::string picture = std::string(prefix) + std::to_string(index) + ".bmp";
        if (!WriteBitmap(picture.c_str(), CaptureWindow(sheet, true)))
            std::printf("error the picture %s could not be written\n", picture.c_str());
    }
    PostMessageA(sheet, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 LPARAM(GetDlgItem(sheet, IDCANCEL)));
    if (!WaitForWindow(timeout, [sheet] { return IsWindow(sheet) ? nullptr : HWND(1); }))
        std::printf("error the options sheet did not close within %lu ms\n",
                    static_cast<unsigned long>(timeout));
    PostMessageA(window, WM_CLOSE, 0, 0);
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
    if (argc == 3 && std::strcmp(argv[1], "version") == 0)
        return ProbeVersion(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "pixels") == 0)
        return PrintPixels(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "dialogs") == 0)
        return ProbeDialogs(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "sheet") == 0)
        return ProbeSheet(DWORD(std::strtoul(argv[2], nullptr, 10)), argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "ime") == 0)
        return ProbeInputMethod(DWORD(std::strtoul(argv[2], nullptr, 10)), argv[3]);
    std::fprintf(stderr,
                 "usage: window_probe main <milliseconds> <picture.bmp> | message <milliseconds> | "
                 "resources <library> | version <file> | pixels <picture> | "
                 "ime <milliseconds> <prefix> | dialogs <library> <prefix> | "
                 "sheet <milliseconds> <prefix>\n");
    return 1;
}
