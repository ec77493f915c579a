#include "shell/appearance.h"

#include "display/graph_display.h"
#include "resource.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/environment.h"
#include "shell/main_window.h"

#include <algorithm>
#include <commctrl.h>

namespace {

bool bPassing = false;
RECT rcPassing{};

constexpr int BACKGROUND_COLOR_KEYED = 4;
// The fades step the alpha by 16; at 16 or less there is nothing to step through.
constexpr int FADE_STEP = 16;

// The hot key last registered, so that a changed hot key replaces it instead of both staying
// active until the window goes.
bool bHotKeyRegistered = false;

CDriveProfileCategory* GraphGeneral() {
    return GetDriveProfile()->GetCategory(Literals::GraphGeneral);
}

int ReadOpacity() {
    return pMainWindowCategory->GetIntegerInRange(Literals::Opacity, 255, 1, 255);
}

int ReadFadeTime() {
    return pMainWindowCategory->GetIntegerInRange(Literals::FadeTime, 500, 100, 1000);
}

void SetMenuCheck(UINT id, bool checked) {
    MENUITEMINFOA info{};
    info.cbSize = 72;
    info.fMask = MIIM_STATE;
    info.fState = checked ? MFS_CHECKED : MFS_UNCHECKED;
    SetMenuItemInfoA(hPopupMenu, id, FALSE, &info);
}

// Hot-key control modifiers to RegisterHotKey modifiers, bit by bit.
UINT HotKeyModifiers(int control_modifiers) {
    UINT modifiers = 0;
    if (control_modifiers & HOTKEYF_CONTROL)
        modifiers |= MOD_CONTROL;
    if (control_modifiers & HOTKEYF_SHIFT)
        modifiers |= MOD_SHIFT;
    if (control_modifiers & HOTKEYF_ALT)
        modifiers |= MOD_ALT;
    return modifiers;
}

} // namespace

void SetMainWindowOpacity(int alpha) {
    DWORD flags = LWA_ALPHA;
    COLORREF key = 0;
    CDriveProfileCategory* general = GraphGeneral();
    if (general->GetIntegerInRange(Literals::Background, 0, 0, 4) == BACKGROUND_COLOR_KEYED) {
        key = general->GetDWordOrDefault(Literals::BackgroundColor1, 0);
        flags |= LWA_COLORKEY;
    }
    SetLayeredWindowAttributes(GetMainWindow(), key, BYTE(alpha & 0xFF), flags);
}

void ApplyMainWindowSettings() {
    HWND window = GetMainWindow();
    CDriveProfileCategory* main = pMainWindowCategory;
    MoveWindow(window, main->GetIntegerOrDefault(Literals::PositionX, 0),
               main->GetIntegerOrDefault(Literals::PositionY, 0),
               main->GetIntegerInRange(Literals::Width, 200, 1, GetMonitorsMaxRight()),
               GetMainWindowHeight(), TRUE);

    SetMainWindowOpacity(ReadOpacity());

    bool permeate = main->GetBooleanOrDefault(Literals::PermeateOperation, false);
    LONG_PTR style = GetWindowLongPtrA(window, GWL_EXSTYLE);
    SetMenuCheck(IDM_PERMEATE, permeate);
    style = permeate ? (style | WS_EX_TRANSPARENT) : (style & ~LONG_PTR(WS_EX_TRANSPARENT));
    SetWindowLongPtrA(window, GWL_EXSTYLE, style);

    bool keyed =
        GraphGeneral()->GetIntegerInRange(Literals::Background, 0, 0, 4) == BACKGROUND_COLOR_KEYED;
    if (main->GetBooleanOrDefault(Literals::TrayIcon, false) || keyed || permeate)
        Shell_NotifyIconA(NIM_ADD, &nidTrayIcon);
    else
        Shell_NotifyIconA(NIM_DELETE, &nidTrayIcon);

    UINT modifiers = HotKeyModifiers(main->GetIntegerOrDefault(Literals::ModifiersKey, 0));
    UINT key = UINT(main->GetIntegerOrDefault(Literals::VirtualKey, 0));
    if (bHotKeyRegistered)
        UnregisterHotKey(window, HOTKEY_ID);
    bHotKeyRegistered = RegisterHotKey(window, HOTKEY_ID, modifiers, key) != FALSE;

    SetForegroundWindow(window);

    bool on_top = main->GetBooleanOrDefault(Literals::AlwaysOnTop, true);
    SetMenuCheck(IDM_ALWAYSONTOP, on_top);
    SetWindowPos(window, on_top ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE);
}

void ShowMainWindow() {
    HWND window = GetMainWindow();
    if (pMainWindowCategory->GetBooleanOrDefault(Literals::Fade, true)) {
        int t = ReadFadeTime();
        SetMainWindowOpacity(0);
        ShowWindow(window, SW_SHOW);
        PaintBackground(GetMainWindowDC());
        int opacity = ReadOpacity();
        if (opacity > FADE_STEP) {
            int last = std::min(opacity, 240);
            for (int a = 0;; a += FADE_STEP) {
                SetMainWindowOpacity(a);
                Sleep(DWORD(t / (opacity / FADE_STEP)));
                if (a >= last)
                    break;
            }
        } else {
            Sleep(DWORD(t));
        }
        SetMainWindowOpacity(opacity);
    } else {
        PaintBackground(GetMainWindowDC());
        ShowWindow(window, SW_SHOW);
    }
    InvalidateRect(window, nullptr, FALSE);
    SetTimer(window, UPDATE_TIMER_ID, UPDATE_INTERVAL_MS, nullptr);
}

void TearDownMainWindow() {
    HWND window = GetMainWindow();
    ReleaseDC(window, GetMainWindowDC());
    KillTimer(window, UPDATE_TIMER_ID);
    Shell_NotifyIconA(NIM_DELETE, &nidTrayIcon);
    int t = ReadFadeTime();
    if (pMainWindowCategory->GetIntegerOrDefault(Literals::Fade, 1) != 0) {
        int opacity = ReadOpacity();
        if (opacity > FADE_STEP) {
            for (int a = opacity;; a -= FADE_STEP) {
                SetMainWindowOpacity(a);
                Sleep(DWORD(t / (opacity / FADE_STEP)));
                if (a <= FADE_STEP)
                    break;
            }
        } else {
            Sleep(DWORD(t));
        }
        SetMainWindowOpacity(0);
    } else {
        ShowWindow(window, SW_HIDE);
    }
    UnregisterHotKey(window, HOTKEY_ID);
    bHotKeyRegistered = false;
}

void RestartUpdateTimer() {
    HWND window = GetMainWindow();
    KillTimer(window, UPDATE_TIMER_ID);
    InvalidateRect(window, nullptr, FALSE);
    SetTimer(window, UPDATE_TIMER_ID, UPDATE_INTERVAL_MS, nullptr);
}

LRESULT OnMainWindowTimer(WPARAM id, LPARAM) {
    if (id == UPDATE_TIMER_ID)
        InvalidateRect(GetMainWindow(), nullptr, FALSE);
    if (id == PASSING_TIMER_ID) {
        POINT cursor{};
        GetCursorPos(&cursor);
        if (!IsPointInRect(rcPassing, cursor)) {
            SetMainWindowOpacity(ReadOpacity());
            KillTimer(GetMainWindow(), PASSING_TIMER_ID);
            bPassing = false;
        }
    }
    return 0;
}

LRESULT OnMainWindowMouseMove(WPARAM keys, int, int) {
    if (bPassing ||
        !pMainWindowCategory->GetBooleanOrDefault(Literals::ChangeOpacityWhenPassing, false))
        return 0;
    if (!(keys & MK_CONTROL))
        SetMainWindowOpacity(
            pMainWindowCategory->GetIntegerInRange(Literals::OpacityWhenPassing, 255, 0, 255));
    GetWindowRect(GetMainWindow(), &rcPassing);
    SetTimer(GetMainWindow(), PASSING_TIMER_ID, PASSING_INTERVAL_MS, nullptr);
    bPassing = true;
    return 0;
}

void ResetAppearanceState() {
    bPassing = false;
    rcPassing = RECT{};
    bHotKeyRegistered = false;
}

BOOL IsPointInRect(const RECT& rect, POINT point) {
    return rect.left <= point.x && point.x <= rect.right && rect.top <= point.y &&
           point.y <= rect.bottom;
}
