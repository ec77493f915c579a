// ChooseColorA: a modal dialog of the layer's own with 48 basic colours, the caller's 16 custom
// colours, edits for red, green and blue and a sample of the colour chosen.
#include "comdlg32/color_dialog.h"

#include <commdlg.h>

#include "user32/dialogs.h"
#include "user32/resources.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace platform::comdlg32 {

namespace {

using user32::DialogControl;
using user32::DialogTemplate;

constexpr int kColumns = 8;

struct ColorDialog {
    CHOOSECOLORA* cc = nullptr;
    COLORREF color = 0;
    std::array<COLORREF, kCustomColorCount> custom{};
    int next_custom = 0;  // the slot "Add to Custom Colors" fills
    bool filling = false; // the edits are being set from the colour, not typed
};

void ShowComponents(HWND dialog, ColorDialog& d) {
    d.filling = true;
    SetDlgItemInt(dialog, kRedEdit, GetRValue(d.color), FALSE);
    SetDlgItemInt(dialog, kGreenEdit, GetGValue(d.color), FALSE);
    SetDlgItemInt(dialog, kBlueEdit, GetBValue(d.color), FALSE);
    d.filling = false;
    InvalidateRect(GetDlgItem(dialog, kSample), nullptr, TRUE);
}

// A component as typed: digits only (the edit takes no others), at most 255.
int Component(HWND dialog, int id) {
    char text[16] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return std::clamp(std::atoi(text), 0, 255);
}

void TakeComponents(HWND dialog, ColorDialog& d) {
    d.color = RGB(Component(dialog, kRedEdit), Component(dialog, kGreenEdit),
                  Component(dialog, kBlueEdit));
    InvalidateRect(GetDlgItem(dialog, kSample), nullptr, TRUE);
}

std::optional<COLORREF> SwatchColor(const ColorDialog& d, int id) {
    if (id >= kBasicSwatchFirst && id < kBasicSwatchFirst + kBasicColorCount)
        return BasicColor(id - kBasicSwatchFirst);
    if (id >= kCustomSwatchFirst && id < kCustomSwatchFirst + kCustomColorCount)
        return d.custom[size_t(id - kCustomSwatchFirst)];
    return std::nullopt;
}

void DrawSwatch(const ColorDialog& d, const DRAWITEMSTRUCT& item) {
    std::optional<COLORREF> color = int(item.CtlID) == kSample ? std::optional<COLORREF>(d.color)
                                                               : SwatchColor(d, int(item.CtlID));
    if (!color)
        return;
    RECT r = item.rcItem;
    HBRUSH frame = CreateSolidBrush(RGB(105, 105, 105));
    FrameRect(item.hDC, &r, frame);
    DeleteObject(frame);
    RECT inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    HBRUSH fill = CreateSolidBrush(*color);
    FillRect(item.hDC, &inner, fill);
    DeleteObject(fill);
    if (item.itemState & ODS_FOCUS) {
        // The focused swatch is framed twice in black.
        HBRUSH mark = CreateSolidBrush(RGB(0, 0, 0));
        FrameRect(item.hDC, &r, mark);
        RECT second{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
        FrameRect(item.hDC, &second, mark);
        DeleteObject(mark);
    }
}

INT_PTR CALLBACK ColorDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* d = reinterpret_cast<ColorDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        d = reinterpret_cast<ColorDialog*>(lparam);
        for (int id : {kRedEdit, kGreenEdit, kBlueEdit})
            SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, 3, 0);
        ShowComponents(dialog, *d);
        return TRUE;
    case WM_DRAWITEM:
        if (d && lparam)
            DrawSwatch(*d, *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        return TRUE;
    case WM_COMMAND: {
        if (!d)
            return FALSE;
        const int id = LOWORD(wparam);
        const int code = HIWORD(wparam);
        if (code == EN_CHANGE && (id == kRedEdit || id == kGreenEdit || id == kBlueEdit)) {
            if (d->filling)
                return TRUE;
            // A number past 255 is put right in the edit at once, so that what it shows is
            // the colour that the dialog takes.
            if (GetDlgItemInt(dialog, id, nullptr, FALSE) > 255) {
                d->filling = true;
                SetDlgItemInt(dialog, id, 255, FALSE);
                SendDlgItemMessageA(dialog, id, EM_SETSEL, 3, 3);
                d->filling = false;
            }
            TakeComponents(dialog, *d);
            return TRUE;
        }
        if (code != BN_CLICKED)
            return FALSE;
        if (std::optional<COLORREF> color = SwatchColor(*d, id)) {
            d->color = *color;
            if (id >= kCustomSwatchFirst)
                d->next_custom = id - kCustomSwatchFirst;
            ShowComponents(dialog, *d);
            return TRUE;
        }
        switch (id) {
        case kAddCustom:
            d->custom[size_t(d->next_custom)] = d->color;
            InvalidateRect(GetDlgItem(dialog, kCustomSwatchFirst + d->next_custom), nullptr, TRUE);
            d->next_custom = (d->next_custom + 1) % kCustomColorCount;
            return TRUE;
        case IDOK:
            TakeComponents(dialog, *d);
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}

DialogTemplate MakeTemplate() {
    DialogTemplate t;
    t.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
    t.caption = kColorDialogCaption;
    t.font = user32::DialogFont{"MS Shell Dlg", 8, 0, false, 1};
    t.cx = 228;
    t.cy = 160;
    auto add = [&](const char* cls, const char* text, int id, DWORD style, short x, short y,
                   short cx, short cy) {
        DialogControl c;
        c.class_name = cls;
        c.text = text;
        c.id = id;
        c.style = WS_CHILD | WS_VISIBLE | style;
        c.x = x;
        c.y = y;
        c.cx = cx;
        c.cy = cy;
        t.controls.push_back(std::move(c));
    };
    add("STATIC", "&Basic colors:", -1, SS_LEFT, 7, 6, 128, 9);
    for (int i = 0; i < kBasicColorCount; ++i)
        add("BUTTON", "", kBasicSwatchFirst + i, BS_OWNERDRAW | WS_TABSTOP,
            short(7 + 16 * (i % kColumns)), short(17 + 13 * (i / kColumns)), 14, 11);
    add("STATIC", "&Custom colors:", -1, SS_LEFT, 7, 98, 128, 9);
    for (int i = 0; i < kCustomColorCount; ++i)
        add("BUTTON", "", kCustomSwatchFirst + i, BS_OWNERDRAW | WS_TABSTOP,
            short(7 + 16 * (i % kColumns)), short(109 + 13 * (i / kColumns)), 14, 11);
    add("STATIC", "Color:", -1, SS_LEFT, 142, 6, 79, 9);
    add("BUTTON", "", kSample, BS_OWNERDRAW | WS_DISABLED, 142, 17, 79, 36);
    add("STATIC", "&Red:", -1, SS_LEFT, 142, 62, 30, 9);
    add("EDIT", "", kRedEdit, ES_NUMBER | WS_BORDER | WS_TABSTOP, 180, 60, 41, 12);
    add("STATIC", "&Green:", -1, SS_LEFT, 142, 78, 30, 9);
    add("EDIT", "", kGreenEdit, ES_NUMBER | WS_BORDER | WS_TABSTOP, 180, 76, 41, 12);
    add("STATIC", "Bl&ue:", -1, SS_LEFT, 142, 94, 30, 9);
    add("EDIT", "", kBlueEdit, ES_NUMBER | WS_BORDER | WS_TABSTOP, 180, 92, 41, 12);
    add("BUTTON", "&Add to Custom Colors", kAddCustom, BS_PUSHBUTTON | WS_TABSTOP, 142, 112, 79,
        14);
    add("BUTTON", "OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 115, 139, 50, 14);
    add("BUTTON", "Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 171, 139, 50, 14);
    return t;
}

} // namespace

COLORREF BasicColor(int index) {
    // Eight hues from red round to magenta in five shades, then eight greys from white to black.
    static const std::array<COLORREF, kBasicColorCount> colors = [] {
        constexpr std::array<COLORREF, kColumns> hues = {
            RGB(255, 0, 0),   RGB(255, 128, 0), RGB(255, 255, 0), RGB(0, 192, 0),
            RGB(0, 255, 255), RGB(0, 0, 255),   RGB(128, 0, 255), RGB(255, 0, 255)};
        // Each shade mixes the hue towards white (positive) or black (negative), in percent.
        constexpr std::array<int, 5> shades = {60, 30, 0, -35, -65};
        std::array<COLORREF, kBasicColorCount> table{};
        auto mix = [](int c, int shade) {
            return shade >= 0 ? c + (255 - c) * shade / 100 : c * (100 + shade) / 100;
        };
        for (size_t row = 0; row < shades.size(); ++row)
            for (size_t col = 0; col < hues.size(); ++col) {
                COLORREF h = hues[col];
                table[row * kColumns + col] =
                    RGB(mix(GetRValue(h), shades[row]), mix(GetGValue(h), shades[row]),
                        mix(GetBValue(h), shades[row]));
            }
        for (int g = 0; g < kColumns; ++g) {
            int v = 255 - g * 255 / (kColumns - 1);
            table[5 * kColumns + size_t(g)] = RGB(v, v, v);
        }
        return table;
    }();
    return index >= 0 && index < kBasicColorCount ? colors[size_t(index)] : 0;
}

} // namespace platform::comdlg32

using namespace platform::comdlg32;

PELMORA_BEGIN_EXTERN_C

BOOL WINAPI ChooseColorA(LPCHOOSECOLORA lpcc) {
    if (!lpcc || lpcc->lStructSize != sizeof(CHOOSECOLORA) || !lpcc->lpCustColors) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ColorDialog d;
    d.cc = lpcc;
    d.color = (lpcc->Flags & CC_RGBINIT) ? (lpcc->rgbResult & 0xFFFFFF) : RGB(0, 0, 0);
    std::copy_n(lpcc->lpCustColors, kCustomColorCount, d.custom.begin());
    INT_PTR result = platform::user32::DialogBoxFromTemplate(
        nullptr, MakeTemplate(), lpcc->hwndOwner, ColorDialogProc, LPARAM(&d));
    if (result != IDOK)
        return FALSE;
    lpcc->rgbResult = d.color;
    std::copy(d.custom.begin(), d.custom.end(), lpcc->lpCustColors);
    return TRUE;
}

PELMORA_END_EXTERN_C
