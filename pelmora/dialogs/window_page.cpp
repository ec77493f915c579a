#include "dialogs/window_page.h"

#include "dialogs/graph_general_page.h"
#include "dialogs/options_sheet.h"
#include "resource.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/appearance.h"
#include "shell/environment.h"
#include "shell/main_window.h"

#include <commctrl.h>

namespace {

constexpr int BACKGROUND_NONE = 4;
// Hot keys without a modifier or with Shift alone become Ctrl+Alt with the key.
constexpr int HOTKEY_INVALID_COMBINATIONS = HKCOMB_NONE | HKCOMB_S;
constexpr int HOTKEY_DEFAULT_MODIFIERS = HOTKEYF_CONTROL | HOTKEYF_ALT;

} // namespace

namespace Dialog {

LONG CWindowPage::HandleMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(hWnd);
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), HWND(lParam));
    case WM_NOTIFY:
        return OnNotify(wParam, lParam);
    }
    return 0;
}

LONG CWindowPage::OnInitDialog(HWND hWnd) {
    this->hWnd = hWnd;
    CenterSheet();
    LoadSettings();
    bInitialized = true;
    return TRUE;
}

void CWindowPage::CenterSheet() {
    HWND sheet = GetParent(hWnd);
    RECT rcSheet;
    GetWindowRect(sheet, &rcSheet);
    EnumerateMonitors();
    HMONITOR monitor = MonitorFromWindow(GetMainWindow(), MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoA(monitor, &info);
    const LONG width = rcSheet.right - rcSheet.left;
    const LONG height = rcSheet.bottom - rcSheet.top;
    const RECT& rc = info.rcMonitor;
    MoveWindow(sheet, rc.left + (rc.right - rc.left - width) / 2,
               rc.top + (rc.bottom - rc.top - height) / 2, width, height, TRUE);
}

void CWindowPage::LoadSettings() {
    CDriveProfileCategory* main = pMainWindowCategory;
    CDriveProfileCategory* general = GetDriveProfile()->GetCategory(Literals::GraphGeneral);

    // 1. Always on top and click-through.
    SetCheck(IDC_WINDOW_ALWAYSONTOP, main->GetBooleanOrDefault(Literals::AlwaysOnTop, true));
    SetCheck(IDC_WINDOW_PERMEATE, main->GetBooleanOrDefault(Literals::PermeateOperation, false));

    // 2. The tray icon cannot be turned off while the window takes no clicks or shows nothing.
    if (main->GetBoolean(Literals::PermeateOperation) ||
        general->GetInteger(Literals::Background) == BACKGROUND_NONE) {
        EnableItem(IDC_WINDOW_TRAYICON, FALSE);
        SetCheck(IDC_WINDOW_TRAYICON, BST_CHECKED);
    } else {
        EnableItem(IDC_WINDOW_TRAYICON, TRUE);
        SetCheck(IDC_WINDOW_TRAYICON, main->GetBooleanOrDefault(Literals::TrayIcon, false));
    }

    // 3. Position, width and opacity. The Y range is given top-down, so its up arrow lowers the
    // value as it moves the window up.
    const LONG maxRight = GetMonitorsMaxRight();
    const LONG maxBottom = GetMonitorsMaxBottom();
    SetUpDownRange(IDC_WINDOW_POSITIONX, GetMonitorsMinLeft() - maxRight, maxRight,
                   main->GetInteger(Literals::PositionX));
    SetUpDownRange(IDC_WINDOW_POSITIONY, maxBottom, GetMonitorsMinTop() - maxBottom,
                   main->GetInteger(Literals::PositionY));
    SetUpDownRange(IDC_WINDOW_WIDTH, 1, maxRight, main->GetIntegerOrDefault(Literals::Width, 200));
    SetUpDownRange(IDC_WINDOW_OPACITY, 1, 255, main->GetIntegerOrDefault(Literals::Opacity, 255));

    // 4. The passing opacity means nothing while the cursor cannot reach the window.
    if (main->GetBoolean(Literals::PermeateOperation)) {
        EnableItem(IDC_WINDOW_CHANGEOPACITY, FALSE);
        SetCheck(IDC_WINDOW_CHANGEOPACITY, BST_UNCHECKED);
    } else {
        EnableItem(IDC_WINDOW_CHANGEOPACITY, TRUE);
        SetCheck(IDC_WINDOW_CHANGEOPACITY, main->GetBoolean(Literals::ChangeOpacityWhenPassing));
    }

    // 5. Passing opacity and snapping distance.
    SetUpDownRange(IDC_WINDOW_PASSINGOPACITY, 0, 255,
                   main->GetIntegerOrDefault(Literals::OpacityWhenPassing, 255));
    SetUpDownRange(IDC_WINDOW_SNAPTHRESHOLD, 0, 50,
                   main->GetIntegerOrDefault(Literals::SnapThreshold, 0));

    // 6. The shadow needs Windows XP.
    if (Environment::OperatingSystem::IsWindowsXPOrLater()) {
        EnableItem(IDC_WINDOW_SHADOW, TRUE);
        SetCheck(IDC_WINDOW_SHADOW, main->GetBooleanOrDefault(Literals::Shadow, false));
    } else {
        SetCheck(IDC_WINDOW_SHADOW, BST_UNCHECKED);
    }

    // 7. Fading.
    SetCheck(IDC_WINDOW_FADE, main->GetBooleanOrDefault(Literals::Fade, true));
    SetUpDownRange(IDC_WINDOW_FADETIME, 100, 1000,
                   main->GetIntegerOrDefault(Literals::FadeTime, 500));

    // 8. The hot key, its rules first.
    SetHotKeyRules(IDC_WINDOW_HOTKEY, HOTKEY_INVALID_COMBINATIONS, HOTKEY_DEFAULT_MODIFIERS);
    SetHotKey(IDC_WINDOW_HOTKEY, main->GetIntegerOrDefault(Literals::VirtualKey, 0),
              main->GetIntegerOrDefault(Literals::ModifiersKey, 0));

    // 9. The controls that follow a check box.
    UpdateDependentItems();
    UpdateFadeControls();
}

LONG CWindowPage::OnCommand(WORD id, WORD code, HWND control) {
    LONG result = 0;
    if (id == IDC_WINDOW_CHANGEOPACITY && code == BN_CLICKED) {
        UpdateDependentItems();
        result = 1;
    } else if (id == IDC_WINDOW_FADE && code == BN_CLICKED) {
        UpdateFadeControls();
        result = 1;
    } else if (id == IDC_WINDOW_PERMEATE && code == BN_CLICKED) {
        UpdateTrayIconControl();
        UpdatePermeateControls();
        result = 1;
    } else if (id == IDC_WINDOW_HOTKEY && code == EN_CHANGE) {
        NotifySheetChanged(GetParent(hWnd), hWnd);
        result = 1;
    }
    if (bInitialized) {
        if (TrackControlChange(this, control, "Edit", code, EN_CHANGE))
            result = 1;
        if (TrackControlChange(this, control, "Button", code, BN_CLICKED))
            result = 1;
    }
    return result;
}

LONG CWindowPage::OnNotify(WPARAM, LPARAM lParam) {
    auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && header->code == UINT(PSN_APPLY)) {
        ApplyAllPages();
        return 1;
    }
    return 0;
}

void CWindowPage::UpdateDependentItems() {
    BOOL enable = IsChecked(IDC_WINDOW_CHANGEOPACITY) ? TRUE : FALSE;
    EnableItem(IDC_WINDOW_PASSINGOPACITY_EDIT, enable);
    EnableItem(IDC_WINDOW_PASSINGOPACITY, enable);
}

void CWindowPage::UpdateFadeControls() {
    BOOL enable = IsChecked(IDC_WINDOW_FADE) ? TRUE : FALSE;
    EnableItem(IDC_WINDOW_FADETIME_EDIT, enable);
    EnableItem(IDC_WINDOW_FADETIME, enable);
    EnableItem(IDC_WINDOW_FADETIME_UNIT, enable);
}

void CWindowPage::UpdateTrayIconControl() {
    if (IsChecked(IDC_WINDOW_PERMEATE) || pGraphGeneralPage->IsBackgroundNone()) {
        EnableItem(IDC_WINDOW_TRAYICON, FALSE);
        SetCheck(IDC_WINDOW_TRAYICON, BST_CHECKED);
    } else {
        EnableItem(IDC_WINDOW_TRAYICON, TRUE);
    }
}

void CWindowPage::UpdatePermeateControls() {
    if (IsChecked(IDC_WINDOW_PERMEATE)) {
        EnableItem(IDC_WINDOW_CHANGEOPACITY, FALSE);
        SetCheck(IDC_WINDOW_CHANGEOPACITY, BST_UNCHECKED);
        UpdateDependentItems();
    } else {
        EnableItem(IDC_WINDOW_CHANGEOPACITY, TRUE);
    }
}

void CWindowPage::SaveWidth() {
    pMainWindowCategory->SetInteger(Literals::Width, GetUpDownPosition(IDC_WINDOW_WIDTH));
}

void CWindowPage::SaveSettings() {
    if (bInitialized) {
        CDriveProfileCategory* main = pMainWindowCategory;
        main->SetBoolean(Literals::AlwaysOnTop, IsChecked(IDC_WINDOW_ALWAYSONTOP));
        main->SetBoolean(Literals::PermeateOperation, IsChecked(IDC_WINDOW_PERMEATE));
        main->SetBoolean(Literals::TrayIcon, IsChecked(IDC_WINDOW_TRAYICON));
        main->SetInteger(Literals::PositionX, GetUpDownPosition(IDC_WINDOW_POSITIONX));
        main->SetInteger(Literals::PositionY, GetUpDownPosition(IDC_WINDOW_POSITIONY));
        main->SetInteger(Literals::Opacity, GetUpDownPosition(IDC_WINDOW_OPACITY));
        main->SetBoolean(Literals::ChangeOpacityWhenPassing, IsChecked(IDC_WINDOW_CHANGEOPACITY));
        main->SetInteger(Literals::OpacityWhenPassing,
                         GetUpDownPosition(IDC_WINDOW_PASSINGOPACITY));
        main->SetInteger(Literals::SnapThreshold, GetUpDownPosition(IDC_WINDOW_SNAPTHRESHOLD));
        main->SetBoolean(Literals::Shadow, IsChecked(IDC_WINDOW_SHADOW));
        main->SetBoolean(Literals::Fade, IsChecked(IDC_WINDOW_FADE));
        main->SetInteger(Literals::FadeTime, GetUpDownPosition(IDC_WINDOW_FADETIME));
        WORD hotKey = GetHotKey(IDC_WINDOW_HOTKEY);
        main->SetInteger(Literals::ModifiersKey, HIBYTE(hotKey));
        main->SetInteger(Literals::VirtualKey, LOBYTE(hotKey));
    }
    ApplyMainWindowSettings();
}

} // namespace Dialog
