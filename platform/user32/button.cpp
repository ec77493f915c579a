// The "Button" class: push buttons, check boxes, radio buttons and group boxes.
#include "user32/controls.h"

#include "user32/dialogs.h"
#include "user32/window_manager.h"

#include <algorithm>

namespace platform::user32 {

namespace {

struct ButtonState {
    UINT check = BST_UNCHECKED;
    bool pushed = false;
    bool focused = false;
    HFONT font = nullptr;
};

ControlStates<ButtonState>& States() {
    static ControlStates<ButtonState> states;
    return states;
}

DWORD TypeOf(HWND hwnd) {
    return StyleOf(hwnd) & BS_TYPEMASK;
}

bool IsCheckType(DWORD type) {
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
           type == BS_AUTO3STATE;
}

bool IsRadioType(DWORD type) {
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

bool IsPushType(DWORD type) {
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_PUSHBOX ||
           type == BS_OWNERDRAW || type == BS_USERBUTTON;
}

void SetCheck(HWND hwnd, ButtonState& s, UINT check) {
    DWORD type = TypeOf(hwnd);
    if (!IsCheckType(type) && !IsRadioType(type))
        return;
    bool three = type == BS_3STATE || type == BS_AUTO3STATE;
    UINT value = check == BST_INDETERMINATE && three ? BST_INDETERMINATE
                 : check != BST_UNCHECKED            ? BST_CHECKED
                                                     : BST_UNCHECKED;
    if (s.check != value) {
        s.check = value;
        Redraw(hwnd);
    }
}

// What a click does: the automatic kinds change their state first, then the parent hears of it.
void Click(HWND hwnd, ButtonState& s) {
    DWORD type = TypeOf(hwnd);
    if (type == BS_GROUPBOX)
        return;
    if (type == BS_AUTOCHECKBOX) {
        SetCheck(hwnd, s, s.check ? BST_UNCHECKED : BST_CHECKED);
    } else if (type == BS_AUTO3STATE) {
        SetCheck(hwnd, s, (s.check + 1) % 3);
    } else if (type == BS_AUTORADIOBUTTON) {
        for (HWND other : GroupOf(hwnd))
            if (other != hwnd && (StyleOf(other) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
                SendMessageA(other, BM_SETCHECK, BST_UNCHECKED, 0);
        SetCheck(hwnd, s, BST_CHECKED);
    }
    NotifyParent(hwnd, BN_CLICKED);
}

// An owner-drawn button is drawn by its parent, on the button's own DC.
void DrawByOwner(HWND hwnd, const ButtonState& s, const ControlPainter& p) {
    HWND parent = ParentOf(hwnd);
    if (!parent)
        return;
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = UINT(ControlIdOf(hwnd));
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = (s.pushed ? ODS_SELECTED : 0) | (s.focused ? ODS_FOCUS : 0) |
                     ((StyleOf(hwnd) & WS_DISABLED) ? ODS_DISABLED : 0);
    item.hwndItem = hwnd;
    item.hDC = p.dc();
    item.rcItem = p.client();
    SendMessageA(parent, WM_DRAWITEM, WPARAM(item.CtlID), LPARAM(&item));
}

void Paint(HWND hwnd, const ButtonState& s) {
    ControlPainter p(hwnd, s.font);
    if (!p.dc())
        return;
    const DWORD style = StyleOf(hwnd);
    const DWORD type = style & BS_TYPEMASK;
    if (type == BS_OWNERDRAW) {
        DrawByOwner(hwnd, s, p);
        return;
    }
    const bool enabled = !(style & WS_DISABLED);
    const COLORREF text_color = enabled ? colors::kText : colors::kGrayText;
    const std::string text = StoredText(hwnd);
    RECT r = p.client();
    if (type == BS_GROUPBOX) {
        p.Fill(r, colors::kFace);
        RECT frame{r.left, r.top + 6, r.right, r.bottom};
        p.Frame(frame, colors::kFrame);
        RECT label{r.left + 6, r.top, r.right - 6, r.top + 14};
        RECT measured = label;
        DrawTextA(p.dc(), text.c_str(), int(text.size()), &measured, DT_CALCRECT | DT_SINGLELINE);
        label.right = std::min(label.right, measured.right + 2);
        p.Fill(label, colors::kFace);
        p.Text(text, RECT{label.left + 1, label.top, label.right, label.bottom}, DT_SINGLELINE,
               text_color);
        return;
    }
    if (IsCheckType(type) || IsRadioType(type)) {
        p.Fill(r, colors::kFace);
        int top = r.top + std::max(0, int(r.bottom - r.top - 13) / 2);
        RECT box{r.left, top, r.left + 13, top + 13};
        p.Fill(box, enabled ? colors::kWindow : colors::kFace);
        p.Frame(box, colors::kFrame);
        RECT mark{box.left + 3, box.top + 3, box.right - 3, box.bottom - 3};
        if (s.check == BST_CHECKED)
            p.Fill(mark, text_color);
        else if (s.check == BST_INDETERMINATE)
            p.Fill(mark, colors::kGrayText);
        RECT label{box.right + 4, r.top, r.right, r.bottom};
        p.Text(text, label, DT_SINGLELINE | DT_VCENTER, text_color);
        if (s.focused)
            DrawFocusRect(p.dc(), &label);
        return;
    }
    p.Fill(r, s.pushed ? RGB(204, 228, 247) : colors::kFace);
    p.Frame(r, type == BS_DEFPUSHBUTTON ? colors::kDefaultFrame : colors::kFrame);
    if (type == BS_DEFPUSHBUTTON)
        p.Frame(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, colors::kDefaultFrame);
    p.Text(text, r, DT_SINGLELINE | DT_CENTER | DT_VCENTER, text_color);
    if (s.focused) {
        RECT focus{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3};
        DrawFocusRect(p.dc(), &focus);
    }
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto s = States().ForMessage(hwnd, message);
    if (!s)
        return DefWindowProcA(hwnd, message, wparam, lparam);
    switch (message) {
    case WM_SETTEXT:
        return SetTextAndRedraw(hwnd, message, wparam, lparam);
    case WM_GETDLGCODE: {
        DWORD type = TypeOf(hwnd);
        if (type == BS_GROUPBOX)
            return DLGC_STATIC;
        if (IsRadioType(type))
            return DLGC_BUTTON | DLGC_RADIOBUTTON;
        if (type == BS_DEFPUSHBUTTON)
            return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (IsPushType(type))
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        return DLGC_BUTTON;
    }
    case BM_GETCHECK:
        return IsCheckType(TypeOf(hwnd)) || IsRadioType(TypeOf(hwnd)) ? s->check : 0;
    case BM_SETCHECK:
        SetCheck(hwnd, *s, UINT(wparam));
        return 0;
    case BM_GETSTATE:
        return s->check | (s->pushed ? BST_PUSHED : 0) | (s->focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
        s->pushed = wparam != 0;
        Redraw(hwnd);
        return 0;
    case BM_SETSTYLE: {
        DWORD style = StyleOf(hwnd);
        SetWindowLongPtrA(hwnd, GWL_STYLE,
                          LONG_PTR((style & ~DWORD(0xFFFF)) | (DWORD(wparam) & 0xFFFF)));
        if (lparam)
            Redraw(hwnd);
        return 0;
    }
    case BM_CLICK:
        // A disabled button cannot be pressed.
        if (!(StyleOf(hwnd) & WS_DISABLED))
            Click(hwnd, *s);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (TypeOf(hwnd) == BS_GROUPBOX)
            return 0;
        SetFocus(hwnd);
        SetCapture(hwnd);
        s->pushed = true;
        Redraw(hwnd);
        return 0;
    case WM_LBUTTONUP: {
        if (!s->pushed)
            return 0;
        s->pushed = false;
        if (GetCapture() == hwnd)
            ReleaseCapture();
        Redraw(hwnd);
        RECT r;
        GetClientRect(hwnd, &r);
        POINT pt{SHORT(LOWORD(lparam)), SHORT(HIWORD(lparam))};
        if (pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom)
            Click(hwnd, *s);
        return 0;
    }
    case WM_KEYDOWN:
        if (wparam == VK_SPACE && TypeOf(hwnd) != BS_GROUPBOX) {
            s->pushed = true;
            Redraw(hwnd);
        }
        return 0;
    case WM_KEYUP:
        if (wparam == VK_SPACE && s->pushed) {
            s->pushed = false;
            Redraw(hwnd);
            Click(hwnd, *s);
        }
        return 0;
    case WM_SETFOCUS:
        s->focused = true;
        Redraw(hwnd);
        if (IsPushType(TypeOf(hwnd)))
            FollowFocusWithDefault(hwnd, hwnd);
        if (StyleOf(hwnd) & BS_NOTIFY)
            NotifyParent(hwnd, BN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        s->focused = false;
        s->pushed = false;
        Redraw(hwnd);
        if (IsPushType(TypeOf(hwnd)))
            FollowFocusWithDefault(hwnd, HWND(wparam));
        if (StyleOf(hwnd) & BS_NOTIFY)
            NotifyParent(hwnd, BN_KILLFOCUS);
        return 0;
    case WM_PAINT:
        Paint(hwnd, *s);
        return 0;
    }
    return States().Default(hwnd, message, wparam, lparam, &s->font);
}

[[maybe_unused]] const bool registered = AddSystemClass({"Button", ButtonProc, CS_DBLCLKS});

} // namespace

} // namespace platform::user32
