#include "shell/main_window.h"

#include "display/graph_display.h"
#include "plugin_sdk/pmp.h"
#include "resource.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/appearance.h"
#include "shell/environment.h"
#include "shell/program.h"

#include <climits>

namespace {

HWND hMainWnd = nullptr;
HDC hMainDC = nullptr;

constexpr UINT TRAY_ICON_ID = 1;
constexpr UINT TRAY_ICON_SIZE = 456;
constexpr int TRAY_ICON_PIXELS = 16;

// A row number from a message: one that does not fit an int names no row (a cast would wrap it
// onto a real one), and the display ignores rows it does not have.
int RowOf(WPARAM wParam) {
    return wParam <= WPARAM(INT_MAX) ? int(wParam) : -1;
}

} // namespace

HMENU hMainMenu = nullptr;
HMENU hPopupMenu = nullptr;
NOTIFYICONDATAA nidTrayIcon;
UINT wmTaskbarCreated = 0;

void SetMainWindow(HWND window) {
    hMainWnd = window;
}
HWND GetMainWindow() {
    return hMainWnd;
}
void SetMainWindowDC(HDC dc) {
    hMainDC = dc;
}
HDC GetMainWindowDC() {
    return hMainDC;
}

void CreateMainWindow() {
    pMainWindowCategory = GetDriveProfile()->GetCategory(Literals::MainWindow);

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_OWNDC;
    if (IsWindowsXPOrLater() && pMainWindowCategory->GetBooleanOrDefault(Literals::Shadow, false))
        wc.style |= CS_DROPSHADOW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = GetInstanceHandle();
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = MAIN_WINDOW_CLASS_NAME;
    RegisterClassExA(&wc);

    int x = pMainWindowCategory->GetIntegerOrDefault(Literals::PositionX, 0);
    int y = pMainWindowCategory->GetIntegerOrDefault(Literals::PositionY, 0);
    SetMainWindow(CreateWindowExA(WS_EX_LAYERED | WS_EX_TOOLWINDOW, MAIN_WINDOW_CLASS_NAME,
                                  Literals::ProductName, WS_POPUP, x, y, 0, 0, nullptr, nullptr,
                                  GetInstanceHandle(), nullptr));

    hMainMenu = LoadMenuA(GetResourceLibrary(), "MENU");
    hPopupMenu = GetSubMenu(hMainMenu, 0);

    SetMainWindowDC(GetDC(GetMainWindow()));

    nidTrayIcon = NOTIFYICONDATAA{};
    nidTrayIcon.cbSize = TRAY_ICON_SIZE;
    nidTrayIcon.hWnd = GetMainWindow();
    nidTrayIcon.uID = TRAY_ICON_ID;
    nidTrayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nidTrayIcon.uCallbackMessage = WM_APP_TRAYICON;
    nidTrayIcon.hIcon =
        static_cast<HICON>(LoadImageA(GetInstanceHandle(), MAKEINTRESOURCEA(IDI_PROGRAM_ICON),
                                      IMAGE_ICON, TRAY_ICON_PIXELS, TRAY_ICON_PIXELS, 0));
    lstrcpyA(nidTrayIcon.szTip, Literals::ProductName);

    wmTaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
}

LRESULT CALLBACK MainWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return HandleMainWindowMessage(hWnd, message, wParam, lParam);
}

// The messages are compared in this order, and the first match is handled; the registered
// "TaskbarCreated" message is only known at run time, so this cannot be a switch.
LRESULT HandleMainWindowMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // After the shutdown steps (at the end of a session the window outlives them) the drawing
    // objects, the plug-ins and the resource library are gone: a late message must not reach
    // the handlers that use them.
    if (IsShutDown())
        return DefWindowProcA(hWnd, message, wParam, lParam);
    if (message == WM_TIMER)
        return OnMainWindowTimer(wParam, lParam);
    if (message == WM_PAINT)
        return OnMainWindowPaint(wParam);
    if (message == WM_MOVE)
        return SaveWindowPosition(LOWORD(lParam), HIWORD(lParam));
    if (message == WM_ENTERSIZEMOVE)
        return OnMainWindowEnterSizeMove();
    if (message == WM_MOVING)
        return OnMainWindowMoving(reinterpret_cast<LPRECT>(lParam));
    if (message == WM_MOUSEMOVE)
        return OnMainWindowMouseMove(wParam, LOWORD(lParam), HIWORD(lParam));
    if (message == WM_LBUTTONDOWN)
        return OnMainWindowLButtonDown(wParam, LOWORD(lParam), HIWORD(lParam));
    if (message == WM_LBUTTONDBLCLK)
        return OnMainWindowLButtonDblClk(wParam, LOWORD(lParam), HIWORD(lParam));
    if (message == WM_COMMAND)
        return OnMenuCommand(LOWORD(wParam), HIWORD(wParam), lParam);
    if (message == WM_NOTIFY)
        return OnMainWindowNotify(wParam, lParam);
    if (message == WM_CONTEXTMENU)
        return OnMainWindowContextMenu(LOWORD(lParam), HIWORD(lParam));
    if (message == WM_APP_TRAYICON)
        return OnTrayIconNotify(wParam, lParam);
    if (message == WM_HOTKEY)
        return ToggleMainWindowVisible(wParam, LOWORD(lParam), HIWORD(lParam));
    if (message == wmTaskbarCreated && wmTaskbarCreated != 0)
        return AddTrayIcon();
    if (message == WM_APP_REDRAWROW)
        return OnRedrawRowRequest(wParam);
    if (message == WM_APP_ROWDATA)
        return OnRowDataReport(wParam, lParam);
    if (message == WM_CLOSE)
        return CloseMainWindow();
    if (message == WM_ENDSESSION)
        return RunShutdownSteps(wParam, lParam);
    if (message == WM_DESTROY)
        return OnMainWindowDestroy();
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

LRESULT OnMainWindowPaint(WPARAM) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(GetMainWindow(), &ps);
    HDC buffer = DrawGraphRows();
    BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
           ps.rcPaint.bottom - ps.rcPaint.top, buffer, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    EndPaint(GetMainWindow(), &ps);
    return 0;
}

LRESULT OnMainWindowNotify(WPARAM, LPARAM) {
    return 0;
}

LRESULT OnRedrawRowRequest(WPARAM row) {
    DrawGraphRow(GetMainWindowDC(), RowOf(row));
    return 1;
}

LRESULT OnRowDataReport(WPARAM row, LPARAM record) {
    StoreGraphReport(RowOf(row), reinterpret_cast<LPCVOID>(record));
    DrawGraphRow(GetMainWindowDC(), RowOf(row));
    return 1;
}

LRESULT CloseMainWindow() {
    TearDownMainWindow();
    DestroyWindow(GetMainWindow());
    return 0;
}

LRESULT OnMainWindowDestroy() {
    PostQuitMessage(0);
    return 0;
}
