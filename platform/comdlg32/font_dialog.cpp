// ChooseFontA: a modal dialog of the layer in which the user picks a face of this machine, a
// style and a size, and sees a sample of the choice.
#include <windows.h>
#include <commdlg.h>

#include "comdlg32/common.h"
#include "comdlg32/dialog_ids.h"
#include "comdlg32/font_dialog.h"
#include "gdi32/fonts.h"
#include "user32/controls.h"
#include "user32/dialogs.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace platform::comdlg32 {

namespace {

// The layer's screen has 96 pixels per inch.
constexpr int kPixelsPerInch = 96;

constexpr const char* kStyles[] = {"Regular", "Italic", "Bold", "Bold Italic"};
constexpr int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

struct FontDialog {
    CHOOSEFONTA* request = nullptr;
    std::vector<std::string> faces;
    HFONT sample_font = nullptr;
};

// a * b / c rounded to the nearest whole number, for positive values.
int Scale(int a, int b, int c) {
    return int((int64_t(a) * b + c / 2) / c);
}

int PointsFromHeight(LONG height) {
    if (height == 0)
        return 0;
    // A negative height is the character height; a positive one the cell, taken as the same.
    return Scale(height < 0 ? -height : height, 72, kPixelsPerInch);
}

bool ParsePoints(const std::string& text, int& points) {
    auto begin = text.data(), end = text.data() + text.size();
    auto [next, error] = std::from_chars(begin, end, points);
    return error == std::errc() && next == end && points > 0 && points <= 1638;
}

int FindFace(const FontDialog& d, const std::string& face) {
    for (size_t i = 0; i < d.faces.size(); ++i)
        if (user32::CompareNoCase(d.faces[i], face) == 0)
            return int(i);
    return -1;
}

int StyleIndex(const LOGFONTA& lf) {
    return (lf.lfWeight >= FW_SEMIBOLD ? 2 : 0) + (lf.lfItalic ? 1 : 0);
}

LRESULT Send(HWND dialog, int id, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return SendDlgItemMessageA(dialog, id, message, wparam, lparam);
}

// The choice as it stands, on the caller's font: what OK writes back.
LOGFONTA Choice(HWND dialog, const FontDialog& d, int points) {
    LOGFONTA lf{};
    if (d.request->Flags & CF_INITTOLOGFONTSTRUCT)
        lf = *d.request->lpLogFont;
    std::string face = ItemText(dialog, kFontFaceEdit);
    int at = FindFace(d, face);
    if (at >= 0)
        face = d.faces[size_t(at)];
    std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
    std::memcpy(lf.lfFaceName, face.data(), user32::AnsiCutLength(face, LF_FACESIZE - 1));
    lf.lfHeight = -Scale(points, kPixelsPerInch, 72);
    int style = int(Send(dialog, kFontStyleList, LB_GETCURSEL));
    if (style < 0)
        style = 0;
    lf.lfWeight = style >= 2 ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style & 1) ? 1 : 0;
    return lf;
}

void UpdateSample(HWND dialog, FontDialog& d) {
    int points = 0;
    if (!ParsePoints(ItemText(dialog, kFontSizeEdit), points))
        points = 10;
    LOGFONTA lf = Choice(dialog, d, std::min(points, 72));
    HFONT font = CreateFontIndirectA(&lf);
    Send(dialog, kFontSample, WM_SETFONT, WPARAM(font), TRUE);
    if (d.sample_font)
        DeleteObject(d.sample_font);
    d.sample_font = font;
}

void Init(HWND dialog, FontDialog& d) {
    for (const std::string& face : d.faces)
        Send(dialog, kFontFaceList, LB_ADDSTRING, 0, LPARAM(face.c_str()));
    for (const char* style : kStyles)
        Send(dialog, kFontStyleList, LB_ADDSTRING, 0, LPARAM(style));
    for (int size : kSizes)
        Send(dialog, kFontSizeList, LB_ADDSTRING, 0, LPARAM(std::to_string(size).c_str()));
    Send(dialog, kFontFaceEdit, EM_LIMITTEXT, LF_FACESIZE - 1);
    Send(dialog, kFontSizeEdit, EM_LIMITTEXT, 4);

    int points = 10;
    int style = 0;
    std::string face;
    if (d.request->Flags & CF_INITTOLOGFONTSTRUCT) {
        const LOGFONTA& lf = *d.request->lpLogFont;
        face.assign(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
        style = StyleIndex(lf);
        if (int p = PointsFromHeight(lf.lfHeight); p > 0)
            points = p;
    }
    SetDlgItemTextA(dialog, kFontFaceEdit, face.c_str());
    Send(dialog, kFontFaceList, LB_SETCURSEL, WPARAM(FindFace(d, face)));
    Send(dialog, kFontStyleList, LB_SETCURSEL, WPARAM(style));
    SetDlgItemTextA(dialog, kFontSizeEdit, std::to_string(points).c_str());
    auto size = std::find(std::begin(kSizes), std::end(kSizes), points);
    Send(dialog, kFontSizeList, LB_SETCURSEL,
         size == std::end(kSizes) ? WPARAM(-1) : WPARAM(size - std::begin(kSizes)));
    UpdateSample(dialog, d);
}

void Confirm(HWND dialog, FontDialog& d) {
    CHOOSEFONTA& cf = *d.request;
    std::string face = ItemText(dialog, kFontFaceEdit);
    if ((cf.Flags & CF_FORCEFONTEXIST) && FindFace(d, face) < 0) {
        MessageBoxA(dialog,
                    "There is no font with that name.\nChoose a font from the list of fonts.",
                    "Font", MB_OK | MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(dialog, kFontFaceEdit));
        return;
    }
    int points = 0;
    bool in_range = ParsePoints(ItemText(dialog, kFontSizeEdit), points);
    if (in_range && (cf.Flags & CF_LIMITSIZE))
        in_range = points >= cf.nSizeMin && points <= cf.nSizeMax;
    if (!in_range) {
        std::string text = (cf.Flags & CF_LIMITSIZE)
                               ? "Size must be between " + std::to_string(cf.nSizeMin) + " and " +
                                     std::to_string(cf.nSizeMax) + " points."
                               : std::string("Size must be a number of points.");
        MessageBoxA(dialog, text.c_str(), "Font", MB_OK | MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(dialog, kFontSizeEdit));
        return;
    }
    LOGFONTA lf = Choice(dialog, d, points);
    *cf.lpLogFont = lf;
    cf.iPointSize = points * 10;
    cf.nFontType = WORD(SCREEN_FONTTYPE | (lf.lfWeight >= FW_BOLD ? BOLD_FONTTYPE : 0) |
                        (lf.lfItalic ? ITALIC_FONTTYPE : 0) |
                        (lf.lfWeight < FW_BOLD && !lf.lfItalic ? REGULAR_FONTTYPE : 0));
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK FontDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    FontDialog* d = StateOf<FontDialog>(dialog, message, lparam);
    if (!d)
        return FALSE;
    switch (message) {
    case WM_INITDIALOG:
        Init(dialog, *d);
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wparam), code = HIWORD(wparam);
        char text[LF_FACESIZE + 8] = {};
        if (id == kFontFaceList && code == LBN_SELCHANGE) {
            int at = int(Send(dialog, kFontFaceList, LB_GETCURSEL));
            if (at >= 0 && at < int(d->faces.size()))
                SetDlgItemTextA(dialog, kFontFaceEdit, d->faces[size_t(at)].c_str());
        } else if (id == kFontSizeList && code == LBN_SELCHANGE) {
            int at = int(Send(dialog, kFontSizeList, LB_GETCURSEL));
            if (at >= 0 && Send(dialog, kFontSizeList, LB_GETTEXTLEN, WPARAM(at)) < 8) {
                Send(dialog, kFontSizeList, LB_GETTEXT, WPARAM(at), LPARAM(text));
                SetDlgItemTextA(dialog, kFontSizeEdit, text);
            }
        } else if (id == kFontFaceEdit && code == EN_CHANGE) {
            // The list follows what is typed when it holds that face.
            int at = FindFace(*d, ItemText(dialog, kFontFaceEdit));
            if (at != int(Send(dialog, kFontFaceList, LB_GETCURSEL)))
                Send(dialog, kFontFaceList, LB_SETCURSEL, WPARAM(at));
            UpdateSample(dialog, *d);
        } else if ((id == kFontSizeEdit && code == EN_CHANGE) ||
                   (id == kFontStyleList && code == LBN_SELCHANGE)) {
            UpdateSample(dialog, *d);
        } else if ((id == IDOK && code == BN_CLICKED) ||
                   ((id == kFontFaceList || id == kFontSizeList) && code == LBN_DBLCLK)) {
            Confirm(dialog, *d);
        } else if (id == IDCANCEL && code == BN_CLICKED) {
            EndDialog(dialog, IDCANCEL);
        }
        return TRUE;
    }
    }
    return FALSE;
}

user32::DialogTemplate FontTemplate() {
    user32::DialogTemplate t = MakeTemplate(kFontDialogName, "Font", 290, 152);
    const DWORD list = LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP;
    const DWORD edit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    AddControl(t, "STATIC", "&Font:", -1, 7, 7, 98, 9, SS_LEFT);
    AddControl(t, "EDIT", "", kFontFaceEdit, 7, 17, 98, 12, edit);
    AddControl(t, "LISTBOX", "", kFontFaceList, 7, 31, 98, 76, list);
    AddControl(t, "STATIC", "Font st&yle:", -1, 112, 7, 70, 9, SS_LEFT);
    AddControl(t, "LISTBOX", "", kFontStyleList, 112, 17, 70, 90, list);
    AddControl(t, "STATIC", "&Size:", -1, 189, 7, 36, 9, SS_LEFT);
    AddControl(t, "EDIT", "", kFontSizeEdit, 189, 17, 36, 12, edit | ES_NUMBER);
    AddControl(t, "LISTBOX", "", kFontSizeList, 189, 31, 36, 76, list);
    AddControl(t, "BUTTON", "OK", IDOK, 233, 17, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP);
    AddControl(t, "BUTTON", "Cancel", IDCANCEL, 233, 35, 50, 14, BS_PUSHBUTTON | WS_TABSTOP);
    // The sample comes before its frame, which would otherwise lie over it.
    AddControl(t, "STATIC", "AaBbYyZz", kFontSample, 13, 122, 206, 20,
               SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX);
    AddControl(t, "BUTTON", "Sample", -1, 7, 112, 218, 33, BS_GROUPBOX);
    return t;
}

} // namespace

bool WriteFontChoiceEarly(HWND dialog) {
    if (GetWindowLongPtrA(dialog, DWLP_DLGPROC) != LONG_PTR(&FontDialogProc))
        return false;
    auto* d = reinterpret_cast<FontDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!d)
        return false;
    int points = 0;
    if (!ParsePoints(ItemText(dialog, kFontSizeEdit), points))
        points = 10;
    *d->request->lpLogFont = Choice(dialog, *d, std::min(points, 72));
    return true;
}

} // namespace platform::comdlg32

using namespace platform::comdlg32;

PELMORA_BEGIN_EXTERN_C

BOOL WINAPI ChooseFontA(LPCHOOSEFONTA lpcf) {
    if (!lpcf || lpcf->lStructSize != sizeof(CHOOSEFONTA)) {
        SetExtendedError(CDERR_STRUCTSIZE);
        return FALSE;
    }
    if (!lpcf->lpLogFont || (lpcf->hwndOwner && !IsWindow(lpcf->hwndOwner))) {
        SetExtendedError(CDERR_INITIALIZATION);
        return FALSE;
    }
    if ((lpcf->Flags & CF_LIMITSIZE) && lpcf->nSizeMax < lpcf->nSizeMin) {
        SetExtendedError(CFERR_MAXLESSTHANMIN);
        return FALSE;
    }
    FontDialog d;
    d.request = lpcf;
    d.faces = platform::gdi::FontFamilies();
    if (d.faces.empty()) {
        SetExtendedError(CFERR_NOFONTS);
        return FALSE;
    }
    SetExtendedError(0);
    INT_PTR result = platform::user32::DialogBoxFromTemplate(
        nullptr, FontTemplate(), lpcf->hwndOwner, FontDialogProc, LPARAM(&d));
    if (d.sample_font)
        DeleteObject(d.sample_font);
    if (result == -1)
        SetExtendedError(CDERR_DIALOGFAILURE);
    return result == IDOK ? TRUE : FALSE;
}

PELMORA_END_EXTERN_C
