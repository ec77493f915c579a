// MessageBoxA: the box is recorded and written to standard error. Without a screen it is
// answered at once with its default button or an answer the test desktop queued; on a screen
// (the X back end) it is a modal dialog of its own that the user answers.
#include "user32/message_box.h"

#include "host/codepage.h"
#include "present/present.h"
#include "user32/dialogs.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <mutex>

namespace platform::user32 {

namespace {

std::mutex box_mutex;
std::vector<MessageBoxRecord> shown;
std::deque<int> answers;

// The buttons of each MB_ type, left to right.
std::vector<int> Buttons(UINT type) {
    switch (type) {
    case MB_OK:
        return {IDOK};
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE:
        return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default:
        return {};
    }
}

const char* ButtonText(int id) {
    switch (id) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDABORT:
        return "&Abort";
    case IDRETRY:
        return "&Retry";
    case IDIGNORE:
        return "&Ignore";
    case IDYES:
        return "&Yes";
    case IDNO:
        return "&No";
    case IDTRYAGAIN:
        return "&Try Again";
    case IDCONTINUE:
        return "&Continue";
    }
    return "";
}

constexpr int kTextId = 0xFFFF;
constexpr int kIconId = 0xFFFE;
// Pixels: the margin around the text and the buttons, a button's size and the gap between
// buttons, the room between the icon and the text, and the widest line before the text wraps.
constexpr int kMargin = 12;
constexpr int kIconGap = 12;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr int kButtonGap = 8;
constexpr int kMaximumTextWidth = 420;
constexpr int kMinimumTextWidth = 160;

struct BoxOnScreen {
    HWND owner;
    std::string text;
    std::vector<int> buttons;
    int default_button;
    HICON icon; // null for a box without one
};

// The stock icon that an MB_ICON* kind shows; null for none.
HICON IconOf(UINT style) {
    switch (style & MB_ICONMASK) {
    case MB_ICONHAND:
        return LoadIconA(nullptr, IDI_HAND);
    case MB_ICONQUESTION:
        return LoadIconA(nullptr, IDI_QUESTION);
    case MB_ICONEXCLAMATION:
        return LoadIconA(nullptr, IDI_EXCLAMATION);
    case MB_ICONASTERISK:
        return LoadIconA(nullptr, IDI_ASTERISK);
    default:
        return nullptr;
    }
}

// The icon at the top left, the text measured as it wraps right of it (a text shorter than the
// icon level with the icon's middle), the buttons in a row under both on the right, the box
// sized around them and put in the middle of the monitor of its owner (or of the pointer).
void LayOut(HWND dialog, const BoxOnScreen& box) {
    HWND text = GetDlgItem(dialog, kTextId);
    RECT measure{0, 0, kMaximumTextWidth, 0};
    if (HDC dc = GetDC(text)) {
        HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageA(text, WM_GETFONT, 0, 0)));
        DrawTextA(dc, box.text.c_str(), int(box.text.size()), &measure,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        SelectObject(dc, old);
        ReleaseDC(text, dc);
    }
    const int n = int(box.buttons.size());
    const int row = n * kButtonWidth + (n - 1) * kButtonGap;
    const int text_width =
        std::clamp<int>(measure.right - measure.left, kMinimumTextWidth, kMaximumTextWidth);
    int icon_width = 0, icon_height = 0;
    if (box.icon) {
        icon_width = GetSystemMetrics(SM_CXICON);
        icon_height = GetSystemMetrics(SM_CYICON);
    }
    const int text_left = kMargin + (box.icon ? icon_width + kIconGap : 0);
    const int width = std::max(text_left + text_width, row + kMargin) + kMargin;
    const int text_height = std::max<int>(measure.bottom - measure.top, 16);
    const int body = std::max(text_height, icon_height);
    const int height = kMargin + body + kMargin + kButtonHeight + kMargin;
    if (box.icon)
        MoveWindow(GetDlgItem(dialog, kIconId), kMargin, kMargin, icon_width, icon_height, FALSE);
    MoveWindow(text, text_left, kMargin + (body - text_height) / 2, text_width, text_height, FALSE);
    for (int i = 0; i < n; ++i)
        MoveWindow(GetDlgItem(dialog, box.buttons[size_t(i)]),
                   width - kMargin - row + i * (kButtonWidth + kButtonGap),
                   height - kMargin - kButtonHeight, kButtonWidth, kButtonHeight, FALSE);
    RECT window{}, client{};
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    const int cx = width + (window.right - window.left) - (client.right - client.left);
    const int cy = height + (window.bottom - window.top) - (client.bottom - client.top);
    HWND owner = box.owner;
    POINT cursor{};
    GetCursorPos(&cursor);
    HMONITOR monitor = owner ? MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST)
                             : MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    RECT work{0, 0, cx, cy};
    if (GetMonitorInfoA(monitor, &info))
        work = info.rcWork;
    MoveWindow(dialog, work.left + (work.right - work.left - cx) / 2,
               work.top + (work.bottom - work.top - cy) / 2, cx, cy, TRUE);
}

INT_PTR CALLBACK BoxProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* box = reinterpret_cast<BoxOnScreen*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        box = reinterpret_cast<BoxOnScreen*>(lparam);
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        if (box->icon)
            SendDlgItemMessageA(dialog, kIconId, STM_SETICON, WPARAM(box->icon), 0);
        LayOut(dialog, *box);
        SetFocus(GetDlgItem(dialog, box->buttons[size_t(box->default_button)]));
        return FALSE;
    case WM_COMMAND: {
        if (!box || HIWORD(wparam) != BN_CLICKED)
            return FALSE;
        const int id = LOWORD(wparam);
        const auto& b = box->buttons;
        if (std::find(b.begin(), b.end(), id) != b.end())
            EndDialog(dialog, id);
        // Escape and the close box: Cancel where the box has it, the one button of an OK box.
        else if (id == IDCANCEL && b.size() == 1)
            EndDialog(dialog, b.front());
        return TRUE;
    }
    }
    return FALSE;
}

int ShowOnScreen(HWND owner, const MessageBoxRecord& record, const std::vector<int>& buttons,
                 size_t default_button) {
    DialogTemplate t;
    t.style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    if (record.style & MB_TOPMOST)
        t.exstyle |= WS_EX_TOPMOST;
    t.cx = 200;
    t.cy = 60;
    t.caption = record.caption;
    t.font = DialogFont{"MS Shell Dlg", 8, 0, false, 1};
    const auto add = [&](const char* class_name, std::string text, int id, DWORD style) {
        DialogControl c;
        c.class_name = class_name;
        c.text = std::move(text);
        c.id = id;
        c.cx = 10;
        c.cy = 10;
        c.style = style | WS_CHILD | WS_VISIBLE;
        t.controls.push_back(std::move(c));
    };
    const HICON icon = IconOf(record.style);
    if (icon)
        add("STATIC", "", kIconId, SS_ICON);
    add("STATIC", record.text, kTextId, SS_LEFT | SS_NOPREFIX);
    for (size_t i = 0; i < buttons.size(); ++i)
        add("BUTTON", ButtonText(buttons[i]), buttons[i],
            WS_TABSTOP | (i == default_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON));
    BoxOnScreen box{owner && IsWindow(owner) ? owner : nullptr, record.text, buttons,
                    int(default_button), icon};
    INT_PTR result = DialogBoxFromTemplate(nullptr, t, box.owner, BoxProc, LPARAM(&box));
    // A box that could not be shown, or a loop ended by the program's end: its default answer.
    return result > 0 ? int(result) : buttons[default_button];
}

} // namespace

std::vector<MessageBoxRecord> ShownMessageBoxes() {
    std::lock_guard lock(box_mutex);
    return shown;
}

void ClearShownMessageBoxes() {
    std::lock_guard lock(box_mutex);
    shown.clear();
}

void QueueMessageBoxAnswer(int answer) {
    std::lock_guard lock(box_mutex);
    answers.push_back(answer);
}

void ClearMessageBoxAnswers() {
    std::lock_guard lock(box_mutex);
    answers.clear();
}

std::function<void(const MessageBoxRecord&)>& Observer() {
    static std::function<void(const MessageBoxRecord&)> observer;
    return observer;
}

void SetMessageBoxObserver(std::function<void(const MessageBoxRecord&)> observer) {
    Observer() = std::move(observer);
}

} // namespace platform::user32

using namespace platform;

PELMORA_BEGIN_EXTERN_C

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    const std::vector<int> buttons = user32::Buttons(uType & MB_TYPEMASK);
    if (buttons.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    user32::MessageBoxRecord record{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error",
                                    uType};
    std::fprintf(stderr, "[message box] %s: %s\n", host::AnsiToUtf8(record.caption).c_str(),
                 host::AnsiToUtf8(record.text).c_str());
    // A default button past the box's buttons falls back to the first, as the system does.
    size_t default_button = (uType & MB_DEFMASK) >> 8;
    if (default_button >= buttons.size())
        default_button = 0;
    int answer = buttons[default_button];
    if (user32::Observer())
        user32::Observer()(record);
    bool scripted = false;
    {
        std::lock_guard lock(user32::box_mutex);
        user32::shown.push_back(record);
        if (!user32::answers.empty()) {
            answer = user32::answers.front();
            user32::answers.pop_front();
            scripted = true;
        }
    }
    if (!scripted && platform::present::TheBackend().OnScreen())
        answer = user32::ShowOnScreen(hWnd, record, buttons, default_button);
    return answer;
}

PELMORA_END_EXTERN_C
