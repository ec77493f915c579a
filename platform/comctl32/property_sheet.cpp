// PropertySheetA: a modal dialog of the layer's own holding a tab strip, the page dialogs and
// the OK, Cancel and Apply buttons. A page's window is made from its template the first time
// its tab is shown; the pages hear PSN_SETACTIVE and PSN_KILLACTIVE as they are shown and left,
// PSN_APPLY on OK and Apply (every page that has a window), PSN_RESET on Cancel.
#include "comctl32/property_sheet.h"

#include <commctrl.h>

#include "comctl32/tab.h"
#include "user32/controls.h"
#include "user32/dialogs.h"
#include "user32/resources.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>

struct _PSP {
    PROPSHEETPAGEA page{};
};

namespace platform::comctl32 {

namespace {

using user32::DialogControl;
using user32::DialogTemplate;

constexpr int kTabId = 0x3020;
constexpr size_t kMaxPages = 99;

// Dialog units of the frame around the pages.
constexpr int kMargin = 7; // around the tab strip and below the buttons
constexpr int kInset = 4;  // between the tab strip's body and the page
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kButtonGap = 4;

std::mutex& HandlesLock() {
    static std::mutex lock;
    return lock;
}

// The page handles that CreatePropertySheetPageA made and nobody has destroyed.
std::set<HPROPSHEETPAGE>& Handles() {
    static std::set<HPROPSHEETPAGE> handles;
    return handles;
}

bool TakeHandle(HPROPSHEETPAGE handle) {
    std::lock_guard lock(HandlesLock());
    return Handles().erase(handle) == 1;
}

bool IsHandle(HPROPSHEETPAGE handle) {
    std::lock_guard lock(HandlesLock());
    return Handles().count(handle) == 1;
}

// The part of a caller's record that its dwSize covers, in a whole record.
PROPSHEETPAGEA CopyPage(const PROPSHEETPAGEA& from) {
    PROPSHEETPAGEA page{};
    std::memcpy(&page, &from, std::min<size_t>(from.dwSize, sizeof page));
    page.dwSize = std::min<DWORD>(from.dwSize, sizeof page);
    return page;
}

struct Page {
    PROPSHEETPAGEA psp{};
    DialogTemplate tmpl;
    HWND hwnd = nullptr;
};

struct Sheet {
    HWND hwnd = nullptr;
    HWND tab = nullptr;
    DWORD flags = 0;
    std::vector<Page> pages; // never resized once the sheet runs: pages keep &psp
    int start = 0;
    int current = -1;
    RECT area{}; // where the pages go, in the sheet's client coordinates
    std::set<HWND> changed;
    bool applied = false;
};

std::mutex& SheetsLock() {
    static std::mutex lock;
    return lock;
}

std::map<HWND, std::shared_ptr<Sheet>>& Sheets() {
    static std::map<HWND, std::shared_ptr<Sheet>> sheets;
    return sheets;
}

std::shared_ptr<Sheet> FindSheet(HWND hwnd) {
    std::lock_guard lock(SheetsLock());
    auto it = Sheets().find(hwnd);
    return it == Sheets().end() ? nullptr : it->second;
}

// A dialog procedure's answer to a sent message: the result goes through DWLP_MSGRESULT.
INT_PTR Reply(HWND hwnd, LRESULT result) {
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

LRESULT NotifyPage(const Sheet& s, int index, UINT code, LPARAM lparam = 0) {
    const Page& page = s.pages[size_t(index)];
    if (!page.hwnd || !IsWindow(page.hwnd))
        return 0;
    PSHNOTIFY n{};
    n.hdr.hwndFrom = s.hwnd;
    n.hdr.idFrom = 0;
    n.hdr.code = code;
    n.lParam = lparam;
    return SendMessageA(page.hwnd, WM_NOTIFY, 0, LPARAM(&n));
}

HWND MakePage(Sheet& s, int index) {
    Page& page = s.pages[size_t(index)];
    if (page.hwnd)
        return page.hwnd;
    DialogTemplate t = page.tmpl;
    t.style &= ~DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_BORDER | WS_THICKFRAME | WS_VISIBLE |
                      DS_MODALFRAME | WS_DISABLED);
    t.style |= WS_CHILD | DS_CONTROL;
    t.x = t.y = 0;
    HWND hwnd = user32::CreateDialogFromTemplate(page.psp.hInstance, t, s.hwnd, page.psp.pfnDlgProc,
                                                 LPARAM(&page.psp), false);
    if (!hwnd)
        return nullptr;
    page.hwnd = hwnd;
    // Every page fills the same area; it lies over the tab strip's body.
    SetWindowPos(hwnd, HWND_TOP, s.area.left, s.area.top, s.area.right - s.area.left,
                 s.area.bottom - s.area.top, SWP_NOACTIVATE);
    return hwnd;
}

// PSN_KILLACTIVE to the page shown: false when it keeps the focus.
bool LeaveCurrent(Sheet& s) {
    return s.current < 0 || NotifyPage(s, s.current, PSN_KILLACTIVE) == 0;
}

bool FocusIsIn(HWND window) {
    for (HWND h = GetFocus(); h; h = GetParent(h))
        if (h == window)
            return true;
    return false;
}

// Shows page `index` (made if need be) with PSN_SETACTIVE; the page shown before is hidden.
void Enter(Sheet& s, int index) {
    HWND hwnd = MakePage(s, index);
    if (!hwnd || !IsWindow(s.hwnd))
        return;
    HWND old = s.current >= 0 && s.current != index ? s.pages[size_t(s.current)].hwnd : nullptr;
    const bool had_focus = !old || FocusIsIn(old) || !FocusIsIn(s.hwnd);
    s.current = index;
    SendMessageA(s.tab, kTabSetSel, WPARAM(index), 0);
    NotifyPage(s, index, PSN_SETACTIVE);
    ShowWindow(hwnd, SW_SHOW);
    if (old && IsWindow(old))
        ShowWindow(old, SW_HIDE);
    if (had_focus && IsWindowVisible(s.hwnd)) {
        if (HWND first = GetNextDlgTabItem(hwnd, nullptr, FALSE))
            SendMessageA(s.hwnd, WM_NEXTDLGCTL, WPARAM(first), TRUE);
    }
}

bool SwitchTo(Sheet& s, int index) {
    if (index < 0 || index >= int(s.pages.size()))
        return false;
    if (index == s.current)
        return true;
    if (!LeaveCurrent(s))
        return false;
    Enter(s, index);
    return true;
}

void EnableApply(Sheet& s, bool enable) {
    HWND apply = GetDlgItem(s.hwnd, ID_APPLY_NOW);
    if (!apply)
        return;
    if (!enable && GetFocus() == apply)
        SendMessageA(s.hwnd, WM_NEXTDLGCTL, WPARAM(GetDlgItem(s.hwnd, IDOK)), TRUE);
    EnableWindow(apply, enable);
}

// PSN_KILLACTIVE to the page shown, then PSN_APPLY to every page that has a window. False when
// a page refused; the sheet then stays open on that page.
bool Apply(Sheet& s, bool closing) {
    if (!LeaveCurrent(s))
        return false;
    for (size_t i = 0; i < s.pages.size(); ++i) {
        if (!s.pages[i].hwnd)
            continue;
        LRESULT r = NotifyPage(s, int(i), PSN_APPLY, closing ? TRUE : FALSE);
        if (!IsWindow(s.hwnd))
            return false;
        if (r == PSNRET_INVALID || r == PSNRET_INVALID_NOCHANGEPAGE) {
            if (r == PSNRET_INVALID && int(i) != s.current)
                Enter(s, int(i));
            else
                NotifyPage(s, s.current, PSN_SETACTIVE);
            return false;
        }
    }
    s.applied = true;
    s.changed.clear();
    EnableApply(s, false);
    return true;
}

void Cancel(Sheet& s, bool close_box) {
    if (s.current >= 0 && NotifyPage(s, s.current, PSN_QUERYCANCEL) != 0)
        return;
    for (size_t i = 0; i < s.pages.size(); ++i)
        NotifyPage(s, int(i), PSN_RESET, close_box ? TRUE : FALSE);
    EndDialog(s.hwnd, s.applied ? 1 : 0);
}

void Layout(Sheet& s) {
    HWND sheet = s.hwnd;
    int page_cx = 0, page_cy = 0;
    for (const Page& page : s.pages) {
        page_cx = std::max<int>(page_cx, page.tmpl.cx);
        page_cy = std::max<int>(page_cy, page.tmpl.cy);
    }
    RECT du{kMargin, kMargin, kInset, kButtonHeight};
    MapDialogRect(sheet, &du);
    RECT page{0, 0, page_cx, page_cy};
    MapDialogRect(sheet, &page);
    RECT button{kButtonGap, 0, kButtonWidth, 0};
    MapDialogRect(sheet, &button);
    const int margin_x = du.left, margin_y = du.top, inset = du.right, button_cy = du.bottom;
    const int gap = button.left, button_cx = button.right;

    // The strip's tab row: the body starts below it.
    SetWindowPos(s.tab, nullptr, margin_x, margin_y, page.right + 2 * inset, 100, SWP_NOZORDER);
    const int strip = TabBody(s.tab).top;
    const int tab_cx = page.right + 2 * inset;
    const int tab_cy = strip + page.bottom + 2 * inset;
    SetWindowPos(s.tab, nullptr, margin_x, margin_y, tab_cx, tab_cy, SWP_NOZORDER);
    s.area = RECT{margin_x + inset, margin_y + strip + inset, margin_x + inset + page.right,
                  margin_y + strip + inset + page.bottom};

    const int buttons_y = margin_y + tab_cy + margin_y;
    int right = margin_x + tab_cx;
    for (int id : {ID_APPLY_NOW, IDCANCEL, IDOK}) {
        HWND b = GetDlgItem(sheet, id);
        if (!b)
            continue;
        SetWindowPos(b, nullptr, right - button_cx, buttons_y, button_cx, button_cy, SWP_NOZORDER);
        right -= button_cx + gap;
    }
    const int client_cx = margin_x + tab_cx + margin_x;
    const int client_cy = buttons_y + button_cy + margin_y;
    RECT window{}, client{};
    GetWindowRect(sheet, &window);
    GetClientRect(sheet, &client);
    window.right = window.left + client_cx + (window.right - window.left) - client.right;
    window.bottom = window.top + client_cy + (window.bottom - window.top) - client.bottom;
    // Grown to its pages, it is kept on the screen as the dialog of that size would be.
    const RECT placed = user32::KeptOnWorkArea(window);
    SetWindowPos(sheet, nullptr, placed.left, placed.top, placed.right - placed.left,
                 placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK SheetProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        auto s = *reinterpret_cast<std::shared_ptr<Sheet>*>(lparam);
        s->hwnd = hwnd;
        s->tab = GetDlgItem(hwnd, kTabId);
        {
            std::lock_guard lock(SheetsLock());
            Sheets()[hwnd] = s;
        }
        for (const Page& page : s->pages) {
            std::string title = (page.psp.dwFlags & PSP_USETITLE) && page.psp.pszTitle &&
                                        !IS_INTRESOURCE(page.psp.pszTitle)
                                    ? page.psp.pszTitle
                                    : page.tmpl.caption;
            SendMessageA(s->tab, kTabAddItem, 0, LPARAM(title.c_str()));
        }
        Layout(*s);
        Enter(*s, s->start);
        return FALSE; // the focus goes to the page's first control when the sheet is shown
    }
    auto s = FindSheet(hwnd);
    if (!s)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
            if (Apply(*s, true))
                EndDialog(hwnd, 1);
            return TRUE;
        case ID_APPLY_NOW:
            if (Apply(*s, false) && s->current >= 0)
                NotifyPage(*s, s->current, PSN_SETACTIVE);
            return TRUE;
        case IDCANCEL:
            Cancel(*s, false);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        Cancel(*s, true);
        return TRUE;
    case WM_NOTIFY: {
        auto* nm = reinterpret_cast<const NMHDR*>(lparam);
        if (!nm || nm->hwndFrom != s->tab)
            return FALSE;
        if (nm->code == kTabSelChanging)
            return Reply(hwnd, LeaveCurrent(*s) ? FALSE : TRUE);
        if (nm->code == kTabSelChange) {
            int index = int(SendMessageA(s->tab, kTabGetSel, 0, 0));
            if (index >= 0 && index != s->current)
                Enter(*s, index);
            return TRUE;
        }
        return FALSE;
    }
    case PSM_CHANGED:
        if (HWND page = HWND(wparam)) {
            s->changed.insert(page);
            EnableApply(*s, true);
        }
        return Reply(hwnd, TRUE);
    case PSM_UNCHANGED:
        s->changed.erase(HWND(wparam));
        if (s->changed.empty())
            EnableApply(*s, false);
        return Reply(hwnd, TRUE);
    case PSM_SETCURSEL: {
        int index = int(wparam);
        if (lparam)
            for (size_t i = 0; i < s->pages.size(); ++i)
                if (LPARAM(&s->pages[i].psp) == lparam)
                    index = int(i);
        return Reply(hwnd, SwitchTo(*s, index) ? TRUE : FALSE);
    }
    case PSM_GETCURRENTPAGEHWND:
        return Reply(hwnd, s->current >= 0 ? LRESULT(s->pages[size_t(s->current)].hwnd) : 0);
    case PSM_PRESSBUTTON: {
        int id = wparam == PSBTN_OK         ? IDOK
                 : wparam == PSBTN_APPLYNOW ? ID_APPLY_NOW
                 : wparam == PSBTN_CANCEL   ? IDCANCEL
                                            : 0;
        HWND button = id ? GetDlgItem(hwnd, id) : nullptr;
        if (button && IsWindowEnabled(button))
            PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(button));
        return Reply(hwnd, TRUE);
    }
    case WM_NCDESTROY: {
        std::lock_guard lock(SheetsLock());
        Sheets().erase(hwnd);
        return FALSE;
    }
    }
    return FALSE;
}

// Keys of the sheet as a whole: Ctrl+Tab and Ctrl+Page Down go to the next page, Ctrl+Shift+Tab
// and Ctrl+Page Up to the one before; Enter on a page's push button presses that button, else
// the sheet's default button (OK).
bool SheetKeys(HWND sheet, MSG& msg) {
    if (msg.message != WM_KEYDOWN)
        return false;
    auto s = FindSheet(sheet);
    if (!s)
        return false;
    const bool back = (msg.wParam == VK_TAB && GetKeyState(VK_SHIFT) < 0) || msg.wParam == VK_PRIOR;
    if ((msg.wParam == VK_TAB || msg.wParam == VK_NEXT || msg.wParam == VK_PRIOR) &&
        GetKeyState(VK_CONTROL) < 0) {
        int n = int(s->pages.size());
        if (n > 0) {
            int step = back ? n - 1 : 1;
            int next = ((s->current < 0 ? 0 : s->current) + step) % n;
            SheetPickPageByUser(sheet, next);
        }
        return true;
    }
    if (msg.wParam == VK_RETURN) {
        HWND focus = GetFocus();
        if (focus && s->current >= 0 && GetParent(focus) == s->pages[size_t(s->current)].hwnd &&
            (SendMessageA(focus, WM_GETDLGCODE, 0, 0) &
             (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
            SendMessageA(focus, BM_CLICK, 0, 0);
            return true;
        }
    }
    return false;
}

std::optional<DialogTemplate> PageTemplate(const PROPSHEETPAGEA& psp) {
    if (psp.dwFlags & PSP_DLGINDIRECT) {
        SetLastError(ERROR_INVALID_PARAMETER); // only templates of a module's resources
        return std::nullopt;
    }
    return user32::LoadDialogTemplate(psp.hInstance, psp.pszTemplate);
}

} // namespace

bool IsPropertySheet(HWND hwnd) {
    return FindSheet(hwnd) != nullptr;
}

std::vector<HWND> SheetPageWindows(HWND sheet) {
    std::vector<HWND> windows;
    if (auto s = FindSheet(sheet))
        for (const Page& page : s->pages)
            windows.push_back(page.hwnd);
    return windows;
}

int SheetCurrentPage(HWND sheet) {
    auto s = FindSheet(sheet);
    return s ? s->current : -1;
}

std::vector<std::string> SheetTabTexts(HWND sheet) {
    std::vector<std::string> texts;
    auto s = FindSheet(sheet);
    if (!s)
        return texts;
    for (size_t i = 0; i < s->pages.size(); ++i) {
        std::string text;
        SendMessageA(s->tab, kTabGetText, WPARAM(i), LPARAM(&text));
        texts.push_back(std::move(text));
    }
    return texts;
}

bool SheetPickPageByUser(HWND sheet, int index) {
    auto s = FindSheet(sheet);
    if (!s || index < 0 || index >= int(s->pages.size()))
        return false;
    return TabPickByUser(s->tab, index) && s->current == index;
}

} // namespace platform::comctl32

using namespace platform::comctl32;

PELMORA_BEGIN_EXTERN_C

HPROPSHEETPAGE WINAPI CreatePropertySheetPageA(LPCPROPSHEETPAGEA constPropSheetPagePointer) {
    if (!constPropSheetPagePointer || constPropSheetPagePointer->dwSize < 72) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* handle = new _PSP{CopyPage(*constPropSheetPagePointer)};
    std::lock_guard lock(HandlesLock());
    Handles().insert(handle);
    return handle;
}

BOOL WINAPI DestroyPropertySheetPage(HPROPSHEETPAGE hPSPage) {
    if (!TakeHandle(hPSPage)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete hPSPage;
    return TRUE;
}

INT_PTR WINAPI PropertySheetA(LPCPROPSHEETHEADERA lppsph) {
    if (!lppsph || lppsph->dwSize < 72 || lppsph->nPages == 0 || lppsph->nPages > kMaxPages ||
        (lppsph->dwFlags & PSH_MODELESS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    const PROPSHEETHEADERA& h = *lppsph;
    auto sheet = std::make_shared<Sheet>();
    sheet->flags = h.dwFlags;
    std::vector<HPROPSHEETPAGE> handles;
    bool ok = true;
    for (UINT i = 0; i < h.nPages; ++i) {
        PROPSHEETPAGEA psp{};
        if (h.dwFlags & PSH_PROPSHEETPAGE) {
            // The records follow each other, each as long as its dwSize says.
            auto* at = reinterpret_cast<const BYTE*>(h.ppsp);
            for (UINT k = 0; k < i; ++k)
                at += reinterpret_cast<const PROPSHEETPAGEA*>(at)->dwSize;
            psp = CopyPage(*reinterpret_cast<const PROPSHEETPAGEA*>(at));
        } else {
            HPROPSHEETPAGE handle = h.phpage ? h.phpage[i] : nullptr;
            if (!IsHandle(handle)) {
                ok = false;
                continue;
            }
            handles.push_back(handle);
            psp = handle->page;
        }
        std::optional<DialogTemplate> t = PageTemplate(psp);
        if (!t) {
            ok = false;
            continue;
        }
        sheet->pages.push_back(Page{psp, std::move(*t), nullptr});
    }
    // The sheet owns the page handles it was given, whatever becomes of it.
    auto release = [&] {
        for (HPROPSHEETPAGE handle : handles)
            DestroyPropertySheetPage(handle);
    };
    if (!ok || sheet->pages.empty()) {
        release();
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    sheet->start = (h.dwFlags & PSH_USEPSTARTPAGE) || h.nStartPage >= sheet->pages.size()
                       ? 0
                       : int(h.nStartPage);

    DialogTemplate t;
    t.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
    if (!(h.dwFlags & PSH_NOCONTEXTHELP))
        t.style |= DS_CONTEXTHELP;
    std::string caption = h.pszCaption && !IS_INTRESOURCE(h.pszCaption) ? h.pszCaption : "";
    t.caption = (h.dwFlags & PSH_PROPTITLE) ? "Properties for " + caption : caption;
    // The sheet is laid out in the system's dialog font, whatever font the pages name: a page
    // template larger in its own units than in these is cut by the sheet.
    t.font = platform::user32::DialogFont{"MS Shell Dlg", 8, 0, false, DEFAULT_CHARSET};
    auto control = [&](const char* cls, const char* text, int id, DWORD style) {
        DialogControl c;
        c.class_name = cls;
        c.text = text;
        c.id = id;
        c.style = WS_CHILD | WS_VISIBLE | style;
        t.controls.push_back(std::move(c));
    };
    // The tab strip comes last, below the pages that lie over its body: Tab goes from the page
    // to the buttons, to the strip and back into the page, and the arrows keep to the buttons.
    control("BUTTON", "OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP);
    control("BUTTON", "Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP);
    if (!(h.dwFlags & PSH_NOAPPLYNOW))
        control("BUTTON", "&Apply", ID_APPLY_NOW, BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED);
    control(kTabClass, "", kTabId, WS_TABSTOP | WS_GROUP);

    HINSTANCE instance = h.hInstance ? h.hInstance : sheet->pages.front().psp.hInstance;
    HWND hwnd = platform::user32::CreateDialogFromTemplate(instance, t, h.hwndParent, SheetProc,
                                                           LPARAM(&sheet), true);
    INT_PTR result = -1;
    if (hwnd)
        result = platform::user32::RunModalDialog(
            hwnd, [hwnd](MSG& msg) { return SheetKeys(hwnd, msg); });
    release();
    return result;
}

PELMORA_END_EXTERN_C
