#include "dialogs/property_page.h"

#include "dialogs/options_sheet.h"

#include <commctrl.h>
#include <commdlg.h>

namespace Dialog {

LRESULT CPropertyPageBase::SendItem(WORD id, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendDlgItemMessageA(hWnd, id, message, wParam, lParam);
}

bool CPropertyPageBase::IsChecked(WORD id) {
    return SendItem(id, BM_GETCHECK, 0, 0) != 0;
}

void CPropertyPageBase::SetCheck(WORD id, int state) {
    SendItem(id, BM_SETCHECK, WPARAM(state & 0xFF), 0);
}

void CPropertyPageBase::EnableItem(WORD id, BOOL flag) {
    EnableWindow(GetDlgItem(hWnd, id), flag);
}

void CPropertyPageBase::ShowItem(WORD id, int showCommand) {
    ShowWindow(GetDlgItem(hWnd, id), showCommand);
}

UINT CPropertyPageBase::GetItemText(WORD id, LPSTR buffer, int size) {
    return GetDlgItemTextA(hWnd, id, buffer, size);
}

void CPropertyPageBase::SetItemText(WORD id, LPCSTR text) {
    SetDlgItemTextA(hWnd, id, text);
}

void CPropertyPageBase::LimitItemText(WORD id, int limit) {
    SendItem(id, EM_LIMITTEXT, WPARAM(limit), 0);
}

void CPropertyPageBase::SetUpDownRange(WORD id, int lower, int upper, int position) {
    // A lower bound above the upper one is passed as it is: the arrows then count down.
    SendItem(id, UDM_SETRANGE32, WPARAM(lower), LPARAM(upper));
    SendItem(id, UDM_SETPOS32, 0, LPARAM(position));
}

int CPropertyPageBase::GetUpDownPosition(WORD id) {
    return int(SendItem(id, UDM_GETPOS32, 0, 0));
}

WORD CPropertyPageBase::GetHotKey(WORD id) {
    return WORD(SendItem(id, HKM_GETHOTKEY, 0, 0));
}

void CPropertyPageBase::SetHotKey(WORD id, int virtualKey, int modifiers) {
    SendItem(id, HKM_SETHOTKEY, WPARAM((virtualKey & 0xFF) | ((modifiers & 0xFF) << 8)), 0);
}

void CPropertyPageBase::SetHotKeyRules(WORD id, int invalidCombinations, int defaultModifiers) {
    SendItem(id, HKM_SETRULES, WPARAM(invalidCombinations), MAKELPARAM(defaultModifiers, 0));
}

int CPropertyPageBase::AddComboString(WORD id, LPCSTR text) {
    return int(SendItem(id, CB_ADDSTRING, 0, LPARAM(text)));
}

void CPropertyPageBase::ResetComboContent(WORD id) {
    SendItem(id, CB_RESETCONTENT, 0, 0);
}

int CPropertyPageBase::GetComboSelection(WORD id) {
    return int(SendItem(id, CB_GETCURSEL, 0, 0));
}

void CPropertyPageBase::SetComboSelection(WORD id, int index) {
    SendItem(id, CB_SETCURSEL, WPARAM(index), 0);
}

int CPropertyPageBase::AddListBoxString(WORD id, LPCSTR text) {
    return int(SendItem(id, LB_ADDSTRING, 0, LPARAM(text)));
}

int CPropertyPageBase::InsertListString(WORD id, int index, LPCSTR text) {
    return int(SendItem(id, LB_INSERTSTRING, WPARAM(index), LPARAM(text)));
}

int CPropertyPageBase::DeleteListString(WORD id, int index) {
    return int(SendItem(id, LB_DELETESTRING, WPARAM(index), 0));
}

int CPropertyPageBase::GetListCount(WORD id) {
    return int(SendItem(id, LB_GETCOUNT, 0, 0));
}

int CPropertyPageBase::GetListSelection(WORD id) {
    return int(SendItem(id, LB_GETCURSEL, 0, 0));
}

void CPropertyPageBase::SetListSelection(WORD id, int index) {
    SendItem(id, LB_SETCURSEL, WPARAM(index), 0);
}

int CPropertyPageBase::GetListText(WORD id, int index, LPSTR buffer) {
    return int(SendItem(id, LB_GETTEXT, WPARAM(index), LPARAM(buffer)));
}

void CPropertyPageBase::SetItemRedraw(WORD id, BOOL flag) {
    SendItem(id, WM_SETREDRAW, WPARAM(flag), 0);
}

void CPropertyPageBase::InvalidateItem(WORD id) {
    InvalidateRect(GetDlgItem(hWnd, id), nullptr, TRUE);
}

int CPropertyPageBase::SetListViewItemText(WORD id, int item, int subItem, LPCSTR text) {
    LVITEMA lvi{};
    lvi.mask = LVIF_TEXT;
    lvi.iItem = item;
    lvi.iSubItem = subItem;
    lvi.pszText = const_cast<LPSTR>(text);
    if (subItem == 0)
        return int(SendItem(id, LVM_INSERTITEM, 0, LPARAM(&lvi)));
    return int(SendItem(id, LVM_SETITEMTEXT, WPARAM(item), LPARAM(&lvi)));
}

bool CPropertyPageBase::ChooseItemColor(COLORREF& colour, WORD control) {
    CHOOSECOLORA cc{};
    cc.lStructSize = 72;
    cc.hwndOwner = hWnd;
    cc.rgbResult = colour;
    cc.lpCustColors = rgbCustomColors;
    cc.Flags = CC_RGBINIT;
    if (!ChooseColorA(&cc))
        return false;
    colour = cc.rgbResult;
    NotifySheetChanged(GetParent(hWnd), hWnd);
    InvalidateItem(control);
    return true;
}

} // namespace Dialog
