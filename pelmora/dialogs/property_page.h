// The base of the options sheet's pages: the page window and the helpers that send to the
// page's controls by control id.
#pragma once

#include <windows.h>

namespace Dialog {

class CPropertyPageBase {
public:
    virtual ~CPropertyPageBase() = default;

    // The page's dialog procedure, forwarded unchanged from the procedure given to the system.
    virtual LONG HandleMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Fills the page's controls and fields from the settings store.
    virtual void LoadSettings() = 0;
    // Writes the page to the settings store (only when bInitialized) and re-applies it.
    virtual void SaveSettings() = 0;

    // The page's window exists in the open sheet and its controls have been filled.
    bool bInitialized = false;
    // The page's dialog window, set at WM_INITDIALOG.
    HWND hWnd = nullptr;

    bool IsChecked(WORD id);
    void SetCheck(WORD id, int state);
    void EnableItem(WORD id, BOOL flag);
    void ShowItem(WORD id, int showCommand);
    UINT GetItemText(WORD id, LPSTR buffer, int size);
    void SetItemText(WORD id, LPCSTR text);
    void LimitItemText(WORD id, int limit);
    void SetUpDownRange(WORD id, int lower, int upper, int position);
    int GetUpDownPosition(WORD id);
    WORD GetHotKey(WORD id);
    void SetHotKey(WORD id, int virtualKey, int modifiers);
    void SetHotKeyRules(WORD id, int invalidCombinations, int defaultModifiers);
    int AddComboString(WORD id, LPCSTR text);
    void ResetComboContent(WORD id);
    int GetComboSelection(WORD id);
    void SetComboSelection(WORD id, int index);
    int AddListBoxString(WORD id, LPCSTR text);
    int InsertListString(WORD id, int index, LPCSTR text);
    int DeleteListString(WORD id, int index);
    int GetListCount(WORD id);
    int GetListSelection(WORD id);
    void SetListSelection(WORD id, int index);
    int GetListText(WORD id, int index, LPSTR buffer);
    void SetItemRedraw(WORD id, BOOL flag);
    void InvalidateItem(WORD id);
    // A cell of a report list view: column 0 inserts row `item` with the text, any other
    // column sets the text of that row's cell.
    int SetListViewItemText(WORD id, int item, int subItem, LPCSTR text);

    // The system colour dialog on `colour`, with the custom colours every page shares. On OK:
    // stores the colour, enables Apply, repaints `control` and returns true; on cancel nothing
    // changes and it returns false.
    bool ChooseItemColor(COLORREF& colour, WORD control);

protected:
    LRESULT SendItem(WORD id, UINT message, WPARAM wParam, LPARAM lParam);
};

} // namespace Dialog
