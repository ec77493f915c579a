// The dialog manager: dialogs made from a module's templates, the dialog class's default
// procedure and the modal loop.
#include "user32/dialogs.h"

#include "user32/controls.h"
#include "user32/modal_loop.h"
#include "user32/resources.h"
#include "user32/window_manager.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstring>

namespace platform::user32 {

namespace {

constexpr const char* kDialogClass = "#32770";

struct DialogState {
    DialogRequest request;
    bool ended = false;
    INT_PTR result = 0;
    HFONT font = nullptr;     // the font its controls are drawn in (WM_SETFONT, WM_GETFONT)
    HFONT own_font = nullptr; // made from the template's font: the dialog's own, deleted with it
    SIZE units{6, 13};        // pixels per 4 horizontal and per 8 vertical dialog units
    WORD default_id = IDOK;
    bool owner_disabled = false; // the modal loop disabled the owner and enables it again
    HWND saved_focus = nullptr;
};

ControlStates<DialogState>& States() {
    static ControlStates<DialogState> states;
    return states;
}

DialogHooks& Hooks() {
    static DialogHooks hooks;
    return hooks;
}

DialogHooks CurrentHooks() {
    std::lock_guard lock(DesktopLock());
    return Hooks();
}

bool IsWithin(HWND ancestor, HWND hwnd) {
    std::lock_guard lock(DesktopLock());
    auto w = FindWindowRecord(hwnd);
    while (w) {
        if (w->handle == ancestor)
            return true;
        w = FindWindowRecord(w->parent);
    }
    return false;
}

std::vector<HWND> ChildrenOf(HWND hwnd) {
    auto w = FindWindowRecord(hwnd);
    if (!w)
        return {};
    std::lock_guard lock(DesktopLock());
    return w->children;
}

// The controls of a dialog in tab order: a child dialog with WS_EX_CONTROLPARENT (a property
// sheet's page) that is shown and enabled stands for its own controls.
void TabOrder(HWND hwnd, std::vector<HWND>& out, int depth) {
    for (HWND child : ChildrenOf(hwnd)) {
        auto w = FindWindowRecord(child);
        if (!w)
            continue;
        DWORD style, ex_style;
        {
            std::lock_guard lock(DesktopLock());
            style = w->style;
            ex_style = w->ex_style;
        }
        if ((ex_style & WS_EX_CONTROLPARENT) && depth < 8) {
            if ((style & WS_VISIBLE) && !(style & WS_DISABLED))
                TabOrder(child, out, depth + 1);
            continue;
        }
        out.push_back(child);
    }
}

// The access key that a control's text marks with a single "&", in lower case; 0 for none.
int AccessKeyOf(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return std::tolower(static_cast<unsigned char>(text[i + 1]));
    }
    return 0;
}

bool IsClassName(HWND hwnd, const char* name) {
    char class_name[32] = {};
    GetClassNameA(hwnd, class_name, sizeof class_name);
    return CompareNoCase(class_name, name) == 0;
}

// Alt and a key: the button whose text marks the key is clicked (a check box or a radio button
// takes the focus too); a label or a frame hands the focus to the control after it. False when
// no shown, enabled control marks the key.
bool PressAccessKey(HWND dialog, int key) {
    std::vector<HWND> order;
    TabOrder(dialog, order, 0);
    const auto usable = [](HWND h) {
        const DWORD style = StyleOf(h);
        return (style & WS_VISIBLE) && !(style & WS_DISABLED);
    };
    for (size_t i = 0; i < order.size(); ++i) {
        HWND control = order[i];
        const DWORD style = StyleOf(control);
        const bool button = IsClassName(control, "Button");
        if (!usable(control) || !(button || IsClassName(control, "Static")) ||
            (!button && (style & SS_NOPREFIX)) || AccessKeyOf(WholeText(control)) != key)
            continue;
        const DWORD type = style & BS_TYPEMASK;
        if (button && type != BS_GROUPBOX) {
            if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON)
                SetFocus(control);
            SendMessageA(control, BM_CLICK, 0, 0);
            return true;
        }
        for (size_t j = i + 1; j < order.size(); ++j) {
            HWND next = order[j];
            if (!usable(next) || IsClassName(next, "Static") ||
                (IsClassName(next, "Button") && (StyleOf(next) & BS_TYPEMASK) == BS_GROUPBOX))
                continue;
            if (SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
                SendMessageA(next, EM_SETSEL, 0, -1);
            SetFocus(next);
            return true;
        }
        return true;
    }
    return false;
}

// Whether the focus can be moved to a control by the arrow keys: shown and enabled, no label
// or frame, no page (which stands for its controls), and a tab stop or a button (in a group of
// radio buttons only the first is a tab stop, yet the arrows go to each).
bool TakesArrowFocus(HWND control, LRESULT code) {
    const DWORD style = StyleOf(control);
    if (!(style & WS_VISIBLE) || (style & WS_DISABLED) || (code & DLGC_STATIC))
        return false;
    if (GetWindowLongPtrA(control, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)
        return false;
    return (style & WS_TABSTOP) || (code & DLGC_BUTTON);
}

// The arrow keys in a control that does not want them: the focus goes to the next (or the
// previous) control of its group, round to the other end; an automatic radio button that
// gets the focus so is checked. False when no other control of the group can have it.
bool MoveInGroup(HWND dialog, HWND from, bool previous) {
    const std::vector<HWND> group = GroupOf(from);
    const auto at = std::find(group.begin(), group.end(), from);
    if (at == group.end())
        return false;
    const int n = int(group.size());
    const int from_index = int(at - group.begin());
    for (int k = 1; k < n; ++k) {
        HWND next = group[size_t(((from_index + (previous ? -k : k)) % n + n) % n)];
        const LRESULT code = SendMessageA(next, WM_GETDLGCODE, 0, 0);
        if (!TakesArrowFocus(next, code))
            continue;
        SendMessageA(dialog, WM_NEXTDLGCTL, WPARAM(next), TRUE);
        if ((code & DLGC_RADIOBUTTON) && (StyleOf(next) & BS_TYPEMASK) == BS_AUTORADIOBUTTON &&
            SendMessageA(next, BM_GETCHECK, 0, 0) != BST_CHECKED)
            SendMessageA(next, BM_CLICK, 0, 0);
        return true;
    }
    return false;
}

// The dialog that a control's default button belongs to: the outermost of the dialogs it lies
// in, so that a property sheet's page shares the sheet's default.
HWND OuterDialogOf(HWND control) {
    HWND dialog = nullptr;
    for (HWND h = ParentOf(control); h; h = ParentOf(h)) {
        if (States().Find(h))
            dialog = h;
        if (!(StyleOf(h) & WS_CHILD))
            break;
    }
    return dialog;
}

bool IsPushButton(HWND control) {
    return (SendMessageA(control, WM_GETDLGCODE, 0, 0) &
            (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

// Dialog units to pixels, rounded to the nearest pixel as MulDiv rounds.
int Scale(int value, int numerator, int denominator) {
    return int(std::lround(double(value) * numerator / denominator));
}

void EnableOwnerAgain(DialogState& state) {
    if (!state.owner_disabled)
        return;
    state.owner_disabled = false;
    if (IsWindow(state.request.owner))
        EnableWindow(state.request.owner, TRUE);
}

void FocusFirstControl(HWND dialog, DialogState& state) {
    HWND target = state.saved_focus;
    if (!target || !IsWindow(target) || !IsWithin(dialog, target) || !IsWindowEnabled(target))
        target = GetNextDlgTabItem(dialog, nullptr, FALSE);
    if (!target)
        return;
    if (SendMessageA(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageA(target, EM_SETSEL, 0, -1);
    SetFocus(target);
}

// The default button of the dialog: the focused push button, else DM_GETDEFID's, else IDOK.
int DefaultButtonId(HWND dialog) {
    HWND focus = GetFocus();
    if (focus && IsWithin(dialog, focus) && focus != dialog &&
        (SendMessageA(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
        return ControlIdOf(focus);
    LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    return HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
}

// Sends the button's command as a click of it would; a disabled button is not pressed.
void PressButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (button && !IsWindowEnabled(button))
        return;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(WORD(id), BN_CLICKED), LPARAM(button));
}

LRESULT DefaultHandling(HWND hwnd, DialogState* state, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CLOSE:
        // The close box is the Cancel button.
        PressButton(hwnd, IDCANCEL);
        return 0;
    case WM_ERASEBKGND: {
        if (!wparam)
            return 0;
        RECT r;
        GetClientRect(hwnd, &r);
        HBRUSH brush = CreateSolidBrush(colors::kFace);
        FillRect(HDC(wparam), &r, brush);
        DeleteObject(brush);
        return 1;
    }
    case WM_SETFONT:
        if (state)
            state->font = HFONT(wparam);
        return 0;
    case WM_GETFONT:
        return state ? LRESULT(state->font) : 0;
    case DM_GETDEFID:
        return state ? LRESULT(MAKELONG(state->default_id, DC_HASDEFID)) : 0;
    case DM_SETDEFID: {
        if (!state)
            return FALSE;
        HWND old = GetDlgItem(hwnd, state->default_id);
        state->default_id = WORD(wparam);
        HWND now = GetDlgItem(hwnd, state->default_id);
        if (old && old != now && (StyleOf(old) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            SendMessageA(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        if (now && (StyleOf(now) & BS_TYPEMASK) == BS_PUSHBUTTON)
            SendMessageA(now, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        return TRUE;
    }
    case WM_ACTIVATE:
        if (!state)
            break;
        if (LOWORD(wparam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && focus != hwnd && IsWithin(hwnd, focus))
                state->saved_focus = focus;
        } else {
            HWND focus = GetFocus();
            if (!focus || !IsWithin(hwnd, focus))
                FocusFirstControl(hwnd, *state);
        }
        return 0;
    case WM_SETFOCUS:
        if (state)
            FocusFirstControl(hwnd, *state);
        return 0;
    case WM_NEXTDLGCTL: {
        HWND target =
            LOWORD(lparam) ? HWND(wparam) : GetNextDlgTabItem(hwnd, GetFocus(), wparam != 0);
        if (target) {
            if (SendMessageA(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
                SendMessageA(target, EM_SETSEL, 0, -1);
            SetFocus(target);
        }
        return 0;
    }
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

// Messages whose result is the dialog procedure's own, not DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    }
    return false;
}

[[maybe_unused]] const bool registered =
    AddSystemClass({kDialogClass, DefDlgProcA, CS_DBLCLKS | CS_SAVEBITS, DLGWINDOWEXTRA});

std::atomic<unsigned> next_serial{0};

// A dialog's base units as the system derives them from the dialog's font: the average width of
// the 52 letters, rounded to the nearest pixel, and the font's cell height. A template without a
// font is laid out in the system font.
SIZE BaseUnitsOf(HFONT font) {
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE units{8, 16};
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc)
        return units;
    HGDIOBJ old = SelectObject(dc, font ? HGDIOBJ(font) : GetStockObject(SYSTEM_FONT));
    SIZE extent{};
    TEXTMETRICA tm{};
    if (GetTextExtentPoint32A(dc, kLetters, int(sizeof kLetters - 1), &extent) &&
        GetTextMetricsA(dc, &tm) && extent.cx > 0 && tm.tmHeight > 0) {
        // The extent over 26 is twice the average; adding one before halving rounds it.
        units.cx = (extent.cx / 26 + 1) / 2;
        units.cy = tm.tmHeight;
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    return units;
}

HFONT MakeFont(const DialogFont& font) {
    LOGFONTA lf{};
    lf.lfHeight = -Scale(font.point_size, 96, 72);
    lf.lfWeight = font.weight;
    lf.lfItalic = font.italic ? 1 : 0;
    lf.lfCharSet = font.charset;
    const size_t n = AnsiCutLength(font.name, LF_FACESIZE - 1);
    std::memcpy(lf.lfFaceName, font.name.data(), n);
    lf.lfFaceName[n] = '\0';
    return CreateFontIndirectA(&lf);
}

bool IsClass(const DialogControl& c, std::string_view name) {
    return CompareNoCase(c.class_name, name) == 0;
}

} // namespace

RECT KeptOnWorkArea(const RECT& window) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromRect(&window, MONITOR_DEFAULTTONEAREST), &info))
        return window;
    const RECT& work = info.rcWork;
    const LONG cx = window.right - window.left, cy = window.bottom - window.top;
    // Right and bottom first, so that a window larger than the work area keeps its caption and
    // its left edge on the screen.
    const LONG x = std::max(work.left, std::min(window.left, work.right - cx));
    const LONG y = std::max(work.top, std::min(window.top, work.bottom - cy));
    return RECT{x, y, x + cx, y + cy};
}

HWND CreateDialogFromTemplate(HINSTANCE instance, const DialogTemplate& t, HWND owner, DLGPROC proc,
                              LPARAM param, bool modal) {
    // The font is made first: the template's units are measured in it.
    HFONT font = t.font ? MakeFont(*t.font) : nullptr;
    const SIZE units = BaseUnitsOf(font);
    auto px = [&](int v) { return Scale(v, int(units.cx), 4); };
    auto py = [&](int v) { return Scale(v, int(units.cy), 8); };

    DWORD style = t.style;
    DWORD ex_style = t.exstyle;
    if (style & DS_MODALFRAME)
        ex_style |= WS_EX_DLGMODALFRAME;
    if (style & DS_CONTROL) {
        style &= ~DWORD(WS_CAPTION | WS_SYSMENU);
        ex_style |= WS_EX_CONTROLPARENT;
    }
    const bool child = (style & WS_CHILD) != 0;
    if (!child && !(style & WS_POPUP))
        style |= WS_POPUP;
    if (owner && !IsWindow(owner)) {
        if (font)
            DeleteObject(font);
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }

    // The template gives the client area; the window is that and its frame.
    const RECT probe{0, 0, 1000, 1000};
    const RECT inner = ClientFromWindowRect(probe, style, ex_style);
    int width = px(t.cx) + (inner.left - probe.left) + (probe.right - inner.right);
    int height = py(t.cy) + (inner.top - probe.top) + (probe.bottom - inner.bottom);
    int x = px(t.x), y = py(t.y);
    if (!child) {
        if (style & DS_CENTER) {
            // Centred on the work area of the owner's monitor, or of the primary one.
            HMONITOR monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
            RECT owner_rect;
            if (owner && GetWindowRect(owner, &owner_rect))
                monitor = MonitorFromRect(&owner_rect, MONITOR_DEFAULTTONEAREST);
            MONITORINFO info{};
            info.cbSize = sizeof info;
            RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            if (GetMonitorInfoA(monitor, &info))
                work = info.rcWork;
            x = work.left + (work.right - work.left - width) / 2;
            y = work.top + (work.bottom - work.top - height) / 2;
        } else if (owner && !(style & DS_ABSALIGN)) {
            // A dialog's position counts from its owner's client area.
            POINT origin{0, 0};
            ClientToScreen(owner, &origin);
            x += origin.x;
            y += origin.y;
        }
        const RECT placed = KeptOnWorkArea(RECT{x, y, x + width, y + height});
        x = placed.left;
        y = placed.top;
    }

    HWND hwnd =
        CreateWindowExA(ex_style, kDialogClass, t.caption.c_str(), style & ~DWORD(WS_VISIBLE), x, y,
                        width, height, owner, nullptr, instance, nullptr);
    if (!hwnd) {
        if (font)
            DeleteObject(font);
        return nullptr;
    }
    auto state = States().Create(hwnd);
    state->request.serial = ++next_serial;
    state->request.dialog = hwnd;
    state->request.owner = owner ? (child ? owner : TopLevelOf(owner)) : nullptr;
    state->request.template_name = t.name;
    state->request.template_id = t.id;
    state->request.caption = t.caption;
    state->request.param = param;
    state->request.modal = modal;
    state->units = units;
    SetWindowLongPtrA(hwnd, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));

    if (font) {
        state->font = font;
        state->own_font = font;
        SendMessageA(hwnd, WM_SETFONT, WPARAM(font), FALSE);
        if (!IsWindow(hwnd))
            return nullptr;
    }

    bool have_default = false;
    for (const DialogControl& c : t.controls) {
        int cx = px(c.cx), cy = py(c.cy);
        // A drop-down combo box's template height includes its list; the control shows one line.
        if (IsClass(c, "COMBOBOX") && (c.style & 0x3) != CBS_SIMPLE)
            cy = std::min(cy, int(units.cy) + 8);
        HWND control = CreateWindowExA(c.exstyle | WS_EX_NOPARENTNOTIFY, c.class_name.c_str(),
                                       c.text_resource ? "" : c.text.c_str(), c.style | WS_CHILD,
                                       px(c.x), py(c.y), cx, cy, hwnd,
                                       reinterpret_cast<HMENU>(intptr_t(c.id)), instance, nullptr);
        if (!IsWindow(hwnd))
            return nullptr;
        if (!control) {
            if (t.style & DS_NOFAILCREATE)
                continue;
            DWORD error = GetLastError();
            DestroyWindow(hwnd);
            SetLastError(error);
            return nullptr;
        }
        if (font)
            SendMessageA(control, WM_SETFONT, WPARAM(font), FALSE);
        if (c.text_resource && IsClass(c, "STATIC") && (c.style & SS_TYPEMASK) == SS_ICON) {
            if (HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(*c.text_resource)))
                SendMessageA(control, STM_SETICON, WPARAM(icon), 0);
        }
        if (!have_default && IsClass(c, "BUTTON") && (c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            state->default_id = WORD(c.id);
            have_default = true;
        }
    }

    HWND first = GetNextDlgTabItem(hwnd, nullptr, FALSE);
    LRESULT focus_default = SendMessageA(hwnd, WM_INITDIALOG, WPARAM(first), param);
    if (!IsWindow(hwnd))
        return nullptr;
    // TRUE asks the dialog manager to put the focus on the first control; it does so when
    // the dialog is activated, since a hidden dialog is not activated yet.
    if (focus_default && first)
        state->saved_focus = first;
    return hwnd;
}

namespace {

void Show(HWND hwnd) {
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
}

} // namespace

INT_PTR RunModalDialog(HWND hwnd, std::function<bool(MSG&)> before) {
    auto state = States().Find(hwnd);
    if (!state) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    HWND owner = state->request.owner;
    if (!state->ended && owner && IsWindowEnabled(owner)) {
        EnableWindow(owner, FALSE);
        state->owner_disabled = true;
    }
    if (!state->ended)
        Show(hwnd);
    if (DialogHooks hooks = CurrentHooks(); hooks.shown && IsWindow(hwnd))
        hooks.shown(state->request);

    bool pressed_close = false;
    ModalLoopHandlers handlers;
    handlers.ended = [&] { return !IsWindow(hwnd) || state->ended; };
    handlers.message = [&](MSG& msg) {
        if (before && before(msg))
            return ModalAction::Drop;
        return IsDialogMessageA(hwnd, &msg) ? ModalAction::Drop : ModalAction::Dispatch;
    };
    handlers.idle = [&] {
        DialogHooks hooks = CurrentHooks();
        return hooks.idle && hooks.idle(state->request) ? ModalIdle::LookAgain : ModalIdle::Wait;
    };
    handlers.stalled = [&] {
        // Nothing more will happen (the manual clock is idle and no one answers): the user
        // closes the dialog by its close box; a dialog that stays open then fails.
        if (pressed_close) {
            SetLastError(ERROR_TIMEOUT);
            return false;
        }
        pressed_close = true;
        SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    };
    ModalLoopOutcome outcome = RunModalLoop(handlers);
    INT_PTR result = state->ended ? state->result : outcome.quit ? 0 : -1;

    DWORD error = GetLastError();
    EnableOwnerAgain(*state);
    const bool was_active = GetForegroundWindow() == hwnd;
    if (IsWindow(hwnd))
        DestroyWindow(hwnd);
    if (was_active && owner && IsWindow(owner) && IsWindowVisible(owner))
        SetForegroundWindow(owner);
    if (DialogHooks hooks = CurrentHooks(); hooks.ended)
        hooks.ended(state->request, result);
    if (outcome.quit)
        PostQuitMessage(*outcome.quit);
    if (result == -1)
        SetLastError(error);
    return result;
}

INT_PTR DialogBoxFromTemplate(HINSTANCE instance, const DialogTemplate& t, HWND owner, DLGPROC proc,
                              LPARAM param) {
    HWND hwnd = CreateDialogFromTemplate(instance, t, owner, proc, param, true);
    if (!hwnd)
        return -1;
    return RunModalDialog(hwnd);
}

HWND CreateModelessDialog(HINSTANCE instance, const DialogTemplate& t, HWND owner, DLGPROC proc,
                          LPARAM param) {
    HWND hwnd = CreateDialogFromTemplate(instance, t, owner, proc, param, false);
    if (!hwnd)
        return nullptr;
    if (t.style & WS_VISIBLE) {
        Show(hwnd);
        if (!IsWindow(hwnd))
            return nullptr;
        if (auto state = States().Find(hwnd)) {
            if (DialogHooks hooks = CurrentHooks(); hooks.shown)
                hooks.shown(state->request);
        }
    }
    return IsWindow(hwnd) ? hwnd : nullptr;
}

void FollowFocusWithDefault(HWND button, HWND focus) {
    const HWND dialog = OuterDialogOf(button);
    if (!dialog)
        return;
    HWND chosen = button;
    if (focus != button) {
        // Out of the dialog (another program, a dialog opened from this one) the button keeps
        // the frame until the focus comes back; a push button taking it moves it itself.
        if (!focus || !IsWithin(dialog, focus) || IsPushButton(focus))
            return;
        const LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
        chosen = HIWORD(def) == DC_HASDEFID ? GetDlgItem(dialog, LOWORD(def)) : nullptr;
    }
    std::vector<HWND> buttons;
    TabOrder(dialog, buttons, 0);
    if (std::find(buttons.begin(), buttons.end(), button) == buttons.end())
        buttons.push_back(button); // on a page being hidden
    for (HWND b : buttons) {
        // An owner-drawn button takes Enter when it has the focus but draws no frame.
        const DWORD type = StyleOf(b) & BS_TYPEMASK;
        if (!IsClassName(b, "Button") || (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON))
            continue;
        const DWORD wanted = b == chosen ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if (type != wanted)
            SendMessageA(b, BM_SETSTYLE, wanted, TRUE);
    }
}

void SetDialogHooks(DialogHooks hooks) {
    std::lock_guard lock(DesktopLock());
    Hooks() = std::move(hooks);
}

std::optional<SIZE> DialogBaseUnits(HWND dialog) {
    auto state = States().Find(dialog);
    if (!state)
        return std::nullopt;
    return state->units;
}

} // namespace platform::user32

using namespace platform::user32;

PELMORA_BEGIN_EXTERN_C

LRESULT WINAPI DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
    auto state = States().Find(hDlg);
    auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(hDlg, DWLP_DLGPROC));
    INT_PTR handled = 0;
    if (proc) {
        SetWindowLongPtrA(hDlg, DWLP_MSGRESULT, 0);
        handled = proc(hDlg, Msg, wParam, lParam);
    }
    if (Msg == WM_NCDESTROY) {
        if (state) {
            EnableOwnerAgain(*state);
            States().Erase(hDlg);
        }
        // The font made from the template goes with the dialog (its controls have gone); a font
        // the program set with WM_SETFONT stays the program's.
        if (state && state->own_font)
            DeleteObject(state->own_font);
        return DefWindowProcA(hDlg, Msg, wParam, lParam);
    }
    if (handled) {
        if (ReturnsDirectly(Msg))
            return handled;
        return IsWindow(hDlg) ? GetWindowLongPtrA(hDlg, DWLP_MSGRESULT) : 0;
    }
    if (!IsWindow(hDlg))
        return 0;
    return DefaultHandling(hDlg, state.get(), Msg, wParam, lParam);
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    std::optional<DialogTemplate> t = LoadDialogTemplate(hInstance, lpTemplateName);
    if (!t)
        return -1;
    return DialogBoxFromTemplate(hInstance, *t, hWndParent, lpDialogFunc, dwInitParam);
}

HWND WINAPI CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    std::optional<DialogTemplate> t = LoadDialogTemplate(hInstance, lpTemplateName);
    if (!t)
        return nullptr;
    return CreateModelessDialog(hInstance, *t, hWndParent, lpDialogFunc, dwInitParam);
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
    auto state = States().Find(hDlg);
    if (!state) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    state->ended = true;
    state->result = nResult;
    // The owner comes back at once, before the dialog goes, so that it can take the activation.
    EnableOwnerAgain(*state);
    if (!state->request.modal)
        ShowWindow(hDlg, SW_HIDE);
    return TRUE;
}

BOOL WINAPI IsDialogMessageA(HWND hDlg, LPMSG lpMsg) {
    if (!hDlg || !lpMsg || !lpMsg->hwnd || !IsWithin(hDlg, lpMsg->hwnd))
        return FALSE;
    const UINT message = lpMsg->message;
    if (message == WM_SYSCHAR && PressAccessKey(hDlg, std::tolower(int(BYTE(lpMsg->wParam)))))
        return TRUE;
    if (message == WM_KEYDOWN || message == WM_CHAR) {
        LRESULT code = SendMessageA(lpMsg->hwnd, WM_GETDLGCODE, lpMsg->wParam, LPARAM(lpMsg));
        if (!(code & DLGC_WANTALLKEYS)) {
            switch (lpMsg->wParam) {
            case VK_RETURN:
                if (message == WM_KEYDOWN)
                    PressButton(hDlg, DefaultButtonId(hDlg));
                return TRUE;
            case VK_ESCAPE:
                if (message == WM_KEYDOWN)
                    PressButton(hDlg, IDCANCEL);
                return TRUE;
            case VK_TAB:
                if (code & DLGC_WANTTAB)
                    break;
                if (message == WM_KEYDOWN)
                    SendMessageA(hDlg, WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0 ? 1 : 0, 0);
                return TRUE;
            case VK_LEFT:
            case VK_UP:
            case VK_RIGHT:
            case VK_DOWN:
                if (message != WM_KEYDOWN || (code & DLGC_WANTARROWS))
                    break;
                MoveInGroup(hDlg, lpMsg->hwnd, lpMsg->wParam == VK_LEFT || lpMsg->wParam == VK_UP);
                return TRUE;
            }
        }
        // A character that the focus control does not take (a button's) is an access key, as
        // with Alt.
        const int ch = int(BYTE(lpMsg->wParam));
        if (message == WM_CHAR && !(code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)) && ch > ' ' &&
            PressAccessKey(hDlg, std::tolower(ch)))
            return TRUE;
    }
    TranslateMessage(lpMsg);
    DispatchMessageA(lpMsg);
    return TRUE;
}

BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect) {
    auto units = DialogBaseUnits(hDlg);
    if (!units || !lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    lpRect->left = Scale(lpRect->left, int(units->cx), 4);
    lpRect->right = Scale(lpRect->right, int(units->cx), 4);
    lpRect->top = Scale(lpRect->top, int(units->cy), 8);
    lpRect->bottom = Scale(lpRect->bottom, int(units->cy), 8);
    return TRUE;
}

HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    std::vector<HWND> order;
    TabOrder(hDlg, order, 0);
    auto stop = [](HWND h) {
        DWORD style = StyleOf(h);
        return (style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED);
    };
    const int n = int(order.size());
    if (n == 0)
        return nullptr;
    int at = -1;
    if (hCtl)
        at = int(std::find(order.begin(), order.end(), hCtl) - order.begin());
    if (at >= n)
        at = -1;
    for (int k = 1; k <= n; ++k) {
        int i = at < 0 ? (bPrevious ? n - k : k - 1) : ((at + (bPrevious ? -k : k)) % n + n) % n;
        if (stop(order[size_t(i)]))
            return order[size_t(i)];
    }
    return nullptr;
}

PELMORA_END_EXTERN_C
