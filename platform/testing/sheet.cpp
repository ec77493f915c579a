#include "testing/sheet.h"

#include "comctl32/property_sheet.h"
#include "user32/window_manager.h"

#include <prsht.h>

#include <vector>

namespace platform::testing {

bool IsSheet(HWND hwnd) {
    return comctl32::IsPropertySheet(hwnd);
}

HWND SheetPage(HWND sheet, int index) {
    std::vector<HWND> pages = comctl32::SheetPageWindows(sheet);
    return index >= 0 && index < int(pages.size()) ? pages[size_t(index)] : nullptr;
}

int CurrentSheetPage(HWND sheet) {
    return comctl32::SheetCurrentPage(sheet);
}

std::vector<std::string> SheetTabs(HWND sheet) {
    return comctl32::SheetTabTexts(sheet);
}

HWND ScriptControl(HWND dialog, int id) {
    if (IsSheet(dialog)) {
        if (HWND page = SheetPage(dialog, CurrentSheetPage(dialog)))
            if (HWND control = GetDlgItem(page, id))
                return control;
    }
    return GetDlgItem(dialog, id);
}

void ActivateDialog(HWND dialog) {
    HWND focus = GetFocus();
    if (!focus || user32::TopLevelOf(focus) != user32::TopLevelOf(dialog))
        SetForegroundWindow(user32::TopLevelOf(dialog));
}

ScriptStep SelectSheetPage(int index) {
    return [index](HWND dialog) -> std::optional<std::string> {
        if (!IsSheet(dialog))
            return std::string("the dialog is no property sheet");
        if (!IsWindowEnabled(dialog))
            return std::string("the sheet is disabled");
        if (!comctl32::SheetPickPageByUser(dialog, index))
            return "page " + std::to_string(index) + " could not be shown";
        return std::nullopt;
    };
}

ScriptStep PressSheetButton(int id) {
    return [id](HWND dialog) -> std::optional<std::string> {
        HWND button = GetDlgItem(dialog, id);
        if (!IsSheet(dialog) || !button)
            return "the sheet has no button " + std::to_string(id);
        if (!IsWindowEnabled(button) || !IsWindowEnabled(dialog))
            return "sheet button " + std::to_string(id) + " is disabled";
        SendMessageA(button, BM_CLICK, 0, 0);
        return std::nullopt;
    };
}

ScriptStep PressKeys(std::initializer_list<int> keys) {
    std::vector<int> held(keys);
    return [held](HWND dialog) -> std::optional<std::string> {
        ActivateDialog(dialog);
        for (int vk : held)
            user32::InjectKey(vk, true);
        for (auto it = held.rbegin(); it != held.rend(); ++it)
            user32::InjectKey(*it, false);
        return std::nullopt;
    };
}

ScriptStep FocusControl(int id) {
    return [id](HWND dialog) -> std::optional<std::string> {
        HWND control = ScriptControl(dialog, id);
        if (!control)
            return "no control " + std::to_string(id);
        if (!IsWindowVisible(control) || !IsWindowEnabled(control))
            return "control " + std::to_string(id) + " cannot take the focus";
        ActivateDialog(dialog);
        SetFocus(control);
        return std::nullopt;
    };
}

} // namespace platform::testing
