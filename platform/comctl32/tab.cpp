#include "comctl32/tab.h"

#include "user32/controls.h"

#include <algorithm>
#include <vector>

namespace platform::comctl32 {

namespace {

using user32::ControlStates;
using user32::colors::kFace;
using user32::colors::kFrame;
using user32::colors::kText;
using user32::colors::kWindow;

struct TabState {
    std::vector<std::string> texts;
    int selection = -1;
    bool focused = false;
    HFONT font = nullptr;
};

ControlStates<TabState>& States() {
    static ControlStates<TabState> states;
    return states;
}

constexpr int kTabPadding = 6; // pixels left and right of a tab's text
constexpr int kTabRaise = 2;   // the selected tab stands this much above the others

int StripHeight(HWND hwnd, const TabState& s) {
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = s.font ? SelectObject(dc, s.font) : nullptr;
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    if (old)
        SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return int(tm.tmHeight) + 6 + kTabRaise;
}

std::vector<RECT> TabRects(HWND hwnd, const TabState& s) {
    std::vector<RECT> rects;
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = s.font ? SelectObject(dc, s.font) : nullptr;
    const int height = StripHeight(hwnd, s);
    int x = kTabRaise;
    for (const std::string& text : s.texts) {
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
        int width = int(size.cx) + 2 * kTabPadding;
        rects.push_back(RECT{x, kTabRaise, x + width, height});
        x += width;
    }
    if (old)
        SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return rects;
}

void Notify(HWND hwnd, UINT code, LRESULT* result) {
    NMHDR nm{hwnd, UINT_PTR(user32::ControlIdOf(hwnd)), code};
    LRESULT r = SendMessageA(GetParent(hwnd), WM_NOTIFY, nm.idFrom, LPARAM(&nm));
    if (result)
        *result = r;
}

bool Pick(HWND hwnd, TabState& s, int index) {
    if (index < 0 || index >= int(s.texts.size()) || !IsWindowEnabled(hwnd))
        return false;
    if (index == s.selection)
        return true;
    LRESULT refused = 0;
    Notify(hwnd, kTabSelChanging, &refused);
    if (refused || !IsWindow(hwnd))
        return false;
    s.selection = index;
    user32::Redraw(hwnd);
    Notify(hwnd, kTabSelChange, nullptr);
    return true;
}

void Paint(HWND hwnd, const TabState& s) {
    user32::ControlPainter p(hwnd, s.font);
    if (!p.dc())
        return;
    const RECT client = p.client();
    p.Fill(client, kFace);
    const int strip = StripHeight(hwnd, s);
    RECT body{client.left, strip - 1, client.right, client.bottom};
    p.Frame(body, kFrame);
    std::vector<RECT> rects = TabRects(hwnd, s);
    for (size_t i = 0; i < rects.size(); ++i) {
        RECT r = rects[i];
        const bool selected = int(i) == s.selection;
        if (selected)
            r = RECT{r.left - kTabRaise, 0, r.right + kTabRaise, strip};
        p.Fill(r, selected ? kWindow : kFace);
        p.Frame(r, kFrame);
        if (selected) // open towards the body
            p.Fill(RECT{r.left + 1, r.bottom - 1, r.right - 1, r.bottom + 1}, kWindow);
        p.Text(s.texts[i], r, DT_CENTER | DT_VCENTER | DT_SINGLELINE, kText);
        if (selected && s.focused) {
            RECT focus{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3};
            DrawFocusRect(p.dc(), &focus);
        }
    }
}

LRESULT CALLBACK TabProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto s = States().ForMessage(hwnd, message);
    if (!s)
        return DefWindowProcA(hwnd, message, wparam, lparam);
    switch (message) {
    case kTabAddItem: {
        LPCSTR text = user32::TextArgument(lparam);
        s->texts.emplace_back(text ? text : "");
        if (s->selection < 0)
            s->selection = 0;
        user32::Redraw(hwnd);
        return LRESULT(s->texts.size() - 1);
    }
    case kTabGetCount:
        return LRESULT(s->texts.size());
    case kTabGetSel:
        return s->selection;
    case kTabSetSel:
        if (int(wparam) >= 0 && int(wparam) < int(s->texts.size())) {
            s->selection = int(wparam);
            user32::Redraw(hwnd);
        }
        return s->selection;
    case kTabGetItemRect: {
        std::vector<RECT> rects = TabRects(hwnd, *s);
        if (wparam >= rects.size() || !lparam)
            return FALSE;
        *reinterpret_cast<RECT*>(lparam) = rects[wparam];
        return TRUE;
    }
    case kTabGetText:
        if (wparam >= s->texts.size() || !lparam)
            return FALSE;
        *reinterpret_cast<std::string*>(lparam) = s->texts[wparam];
        return TRUE;
    case WM_LBUTTONDOWN: {
        POINT pt{SHORT(LOWORD(lparam)), SHORT(HIWORD(lparam))};
        std::vector<RECT> rects = TabRects(hwnd, *s);
        for (size_t i = 0; i < rects.size(); ++i)
            if (pt.x >= rects[i].left && pt.x < rects[i].right && pt.y >= rects[i].top &&
                pt.y < rects[i].bottom) {
                // The strip takes the focus first: the page coming up leaves it there.
                SetFocus(hwnd);
                Pick(hwnd, *s, int(i));
                break;
            }
        return 0;
    }
    case WM_KEYDOWN:
        // The arrows go to the tab beside the selected one; there is none past either end.
        if (wparam == VK_LEFT || wparam == VK_RIGHT)
            Pick(hwnd, *s, s->selection + (wparam == VK_RIGHT ? 1 : -1));
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        s->focused = message == WM_SETFOCUS;
        user32::Redraw(hwnd);
        return 0;
    case WM_GETDLGCODE:
        // Characters too: a letter typed on the focused strip is no access key of the page.
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_PAINT:
        Paint(hwnd, *s);
        return 0;
    }
    return States().Default(hwnd, message, wparam, lparam, &s->font);
}

[[maybe_unused]] const bool registered = user32::AddSystemClass({kTabClass, TabProc, CS_DBLCLKS});

} // namespace

RECT TabBody(HWND tab) {
    RECT client{};
    GetClientRect(tab, &client);
    auto s = States().Find(tab);
    if (!s)
        return client;
    int strip = StripHeight(tab, *s);
    return RECT{client.left + 1, strip, client.right - 1, client.bottom - 1};
}

bool TabPickByUser(HWND tab, int index) {
    auto s = States().Find(tab);
    return s && Pick(tab, *s, index);
}

} // namespace platform::comctl32
