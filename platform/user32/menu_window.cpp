#include "user32/menu_window.h"

#include "user32/controls.h"
#include "user32/menu.h"
#include "user32/monitors.h"
#include "user32/window_manager.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace platform::user32 {

namespace {

constexpr char kMenuClass[] = "#32768";
// MFT_SEPARATOR, MFS_GRAYED | MFS_DISABLED and MFS_CHECKED of the menu records.
constexpr UINT kSeparator = 0x0800;
constexpr UINT kDisabled = 0x0003;
constexpr UINT kChecked = 0x0008;

// Pixels: the frame, the column of the check mark, the room after the text, and the height of
// a separator.
constexpr int kFrame = 2;
constexpr int kCheckColumn = 28;
constexpr int kRightRoom = 24;
constexpr int kShortcutGap = 24;
constexpr int kSeparatorHeight = 9;
constexpr int kItemPadding = 8;

constexpr COLORREF kHotFill = RGB(204, 232, 255);
constexpr COLORREF kHotFrame = RGB(153, 209, 255);

} // namespace

struct MenuWindow::State {
    HWND hwnd = nullptr;
    HMENU menu = nullptr;
    UINT flags = 0;
    HFONT font = nullptr;
    std::vector<RECT> rows; // one per item, in client coordinates
    int hot = -1;

    const MenuItem* Item(int index) const {
        Menu* m = FindMenu(menu);
        if (!m || index < 0 || size_t(index) >= m->items.size())
            return nullptr;
        return &m->items[size_t(index)];
    }
    // Sub-menus are shown but do not open: only command items are chosen.
    bool Choosable(int index) const {
        const MenuItem* item = Item(index);
        return item && !item->submenu && !(item->type & kSeparator) && !(item->state & kDisabled);
    }
    int ItemAt(POINT screen) const {
        POINT p = screen;
        ScreenToClient(hwnd, &p);
        for (size_t i = 0; i < rows.size(); ++i) {
            const RECT& r = rows[i];
            if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom)
                return int(i);
        }
        return -1;
    }
    bool Inside(POINT screen) const {
        RECT r;
        return GetWindowRect(hwnd, &r) && screen.x >= r.left && screen.x < r.right &&
               screen.y >= r.top && screen.y < r.bottom;
    }
    void SetHot(int index) {
        if (index == hot)
            return;
        hot = index;
        InvalidateRect(hwnd, nullptr, FALSE);
    }
    // The next choosable item after the hot one, going down (step 1) or up (step -1).
    void StepHot(int step) {
        const int n = int(rows.size());
        int at = hot;
        for (int k = 0; k < n; ++k) {
            at = at < 0 ? (step > 0 ? 0 : n - 1) : ((at + step) % n + n) % n;
            if (Choosable(at)) {
                SetHot(at);
                return;
            }
        }
    }
    // The first choosable item whose access key ("&x") is this key.
    int ItemWithAccessKey(int vk) const {
        Menu* m = FindMenu(menu);
        if (!m)
            return -1;
        for (size_t i = 0; i < m->items.size(); ++i) {
            const std::string& text = m->items[i].text;
            for (size_t c = 0; c + 1 < text.size(); ++c) {
                if (text[c] != '&')
                    continue;
                if (text[c + 1] == '&') {
                    ++c;
                    continue;
                }
                if (std::toupper(static_cast<unsigned char>(text[c + 1])) == vk &&
                    Choosable(int(i)))
                    return int(i);
                break;
            }
        }
        return -1;
    }
    void Paint();
};

namespace {

ControlStates<MenuWindow::State*>& States() {
    static ControlStates<MenuWindow::State*> states;
    return states;
}

// The label before a tab and the shortcut after it.
std::pair<std::string, std::string> SplitText(const std::string& text) {
    size_t tab = text.find('\t');
    if (tab == std::string::npos)
        return {text, {}};
    return {text.substr(0, tab), text.substr(tab + 1)};
}

SIZE Measure(HDC dc, const std::string& text) {
    RECT r{0, 0, 0, 0};
    if (!text.empty())
        DrawTextA(dc, text.c_str(), int(text.size()), &r, DT_SINGLELINE | DT_CALCRECT);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void Line(HDC dc, POINT from, POINT to) {
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
}

LRESULT CALLBACK MenuWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_NCCREATE:
        States().Create(hwnd);
        break;
    case WM_NCDESTROY:
        States().Erase(hwnd);
        break;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        if (auto state = States().Find(hwnd); state && *state) {
            (*state)->Paint();
            return 0;
        }
        break;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

[[maybe_unused]] const bool registered = AddSystemClass({kMenuClass, MenuWindowProc});

} // namespace

void MenuWindow::State::Paint() {
    ControlPainter p(hwnd, font);
    Menu* m = FindMenu(menu);
    p.Fill(p.client(), colors::kFace);
    p.Frame(p.client(), colors::kFrame);
    if (!m || !p.dc())
        return;
    HPEN pen = CreatePen(PS_SOLID, 2, colors::kText);
    for (size_t i = 0; i < rows.size() && i < m->items.size(); ++i) {
        const MenuItem& item = m->items[i];
        const RECT& row = rows[i];
        if (item.type & kSeparator) {
            int y = (row.top + row.bottom) / 2;
            p.Fill(RECT{row.left + kCheckColumn, y, row.right - 4, y + 1}, colors::kFrame);
            continue;
        }
        if (int(i) == hot) {
            RECT r{row.left + 2, row.top, row.right - 2, row.bottom};
            p.Fill(r, kHotFill);
            p.Frame(r, kHotFrame);
        }
        const COLORREF color = (item.state & kDisabled) ? colors::kGrayText : colors::kText;
        const int middle = (row.top + row.bottom) / 2;
        if (item.state & kChecked) {
            HGDIOBJ old = SelectObject(p.dc(), pen);
            Line(p.dc(), POINT{row.left + 9, middle}, POINT{row.left + 12, middle + 3});
            Line(p.dc(), POINT{row.left + 12, middle + 3}, POINT{row.left + 18, middle - 4});
            SelectObject(p.dc(), old);
        }
        auto [label, shortcut] = SplitText(item.text);
        RECT text{row.left + kCheckColumn, row.top, row.right - kRightRoom, row.bottom};
        p.Text(label, text, DT_SINGLELINE | DT_VCENTER | DT_LEFT, color);
        p.Text(shortcut, text, DT_SINGLELINE | DT_VCENTER | DT_RIGHT, color);
        if (item.submenu) {
            HGDIOBJ old = SelectObject(p.dc(), pen);
            const int x = row.right - 14;
            Line(p.dc(), POINT{x, middle - 4}, POINT{x + 4, middle});
            Line(p.dc(), POINT{x + 4, middle}, POINT{x, middle + 4});
            SelectObject(p.dc(), old);
        }
    }
    DeleteObject(pen);
}

MenuWindow::MenuWindow(HMENU menu, UINT flags, int x, int y) : state_(std::make_shared<State>()) {
    State& s = *state_;
    s.menu = menu;
    s.flags = flags;
    LOGFONTA face{};
    face.lfHeight = -12;
    face.lfWeight = FW_NORMAL;
    face.lfCharSet = DEFAULT_CHARSET;
    lstrcpyA(face.lfFaceName, "MS UI Gothic");
    s.font = CreateFontIndirectA(&face);

    // The rows, measured with the menu's font.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, s.font);
    const int item_height = Measure(dc, "Ag").cy + kItemPadding;
    int width = 0;
    int top = kFrame;
    if (Menu* m = FindMenu(menu)) {
        for (const MenuItem& item : m->items) {
            const bool separator = (item.type & kSeparator) != 0;
            auto [label, shortcut] = SplitText(item.text);
            int text_width = Measure(dc, label).cx;
            if (!shortcut.empty())
                text_width += kShortcutGap + Measure(dc, shortcut).cx;
            width = std::max(width, kCheckColumn + text_width + kRightRoom);
            const int height = separator ? kSeparatorHeight : item_height;
            s.rows.push_back(RECT{kFrame, top, 0, top + height});
            top += height;
        }
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    const int cx = width + 2 * kFrame;
    const int cy = top + kFrame;
    for (RECT& row : s.rows)
        row.right = cx - kFrame;

    // Left and up from the point when the menu would leave the work area there.
    POINT at{x, y};
    RECT work{x, y, x + cx, y + cy}; // no monitor: the menu stays where it was asked
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &info))
        work = info.rcWork;
    if (x + cx > work.right)
        x = std::max<int>(work.left, x - cx);
    if (y + cy > work.bottom)
        y = std::max<int>(work.top, y - cy);

    s.hwnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kMenuClass, "",
                             WS_POPUP, x, y, cx, cy, nullptr, nullptr, nullptr, nullptr);
    if (auto slot = States().Find(s.hwnd))
        *slot = state_.get();
    ShowWindow(s.hwnd, SW_SHOWNA);
}

MenuWindow::~MenuWindow() {
    if (auto slot = States().Find(state_->hwnd))
        *slot = nullptr;
    if (IsWindow(state_->hwnd))
        DestroyWindow(state_->hwnd);
    DeleteObject(state_->font);
}

HWND MenuWindow::hwnd() const {
    return state_->hwnd;
}

std::optional<UINT> MenuWindow::Input(const MSG& msg) {
    State& s = *state_;
    const auto command = [&](int index) -> std::optional<UINT> {
        if (!s.Choosable(index))
            return std::nullopt;
        return s.Item(index)->id;
    };
    switch (msg.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE: {
        const int at = s.ItemAt(msg.pt);
        s.SetHot(s.Choosable(at) ? at : -1);
        return std::nullopt;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
        // A press on the menu waits for its release; a press anywhere else cancels.
        if (s.Inside(msg.pt))
            return std::nullopt;
        return 0u;
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
        return command(s.ItemAt(msg.pt));
    case WM_RBUTTONUP:
    case WM_NCRBUTTONUP:
        if (s.flags & TPM_RIGHTBUTTON)
            return command(s.ItemAt(msg.pt));
        return std::nullopt;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        switch (msg.wParam) {
        case VK_ESCAPE:
        case VK_MENU:
        case VK_F10:
            return 0u;
        case VK_DOWN:
            s.StepHot(1);
            return std::nullopt;
        case VK_UP:
            s.StepHot(-1);
            return std::nullopt;
        case VK_RETURN:
            return command(s.hot);
        default: {
            const int vk = int(msg.wParam);
            if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
                return command(s.ItemWithAccessKey(vk));
            return std::nullopt;
        }
        }
    }
    return std::nullopt;
}

} // namespace platform::user32
