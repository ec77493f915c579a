#include "dialogs/graph_general_page.h"

#include "dialogs/options_sheet.h"
#include "dialogs/window_page.h"
#include "display/graph_display.h"
#include "resource.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/environment.h"

#include <commdlg.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int BACKGROUND_NONE = 4;
constexpr int BACKGROUND_IMAGE = 3;
constexpr UINT BACKGROUND_STRINGS[] = {IDS_FILL_SOLID, IDS_FILL_HORIZONTAL_GRADIENT,
                                       IDS_FILL_VERTICAL_GRADIENT, IDS_BACKGROUND_IMAGE, IDS_NONE};
constexpr COLORREF DEFAULT_BACKGROUND_COLOR = 0xFF8080;
constexpr DWORD IMAGE_PATH_MAX = 260;

CDriveProfileCategory* GraphGeneralCategory() {
    return GetDriveProfile()->GetCategory(Literals::GraphGeneral);
}

} // namespace

namespace Dialog {

LONG CGraphGeneralPage::HandleMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        this->hWnd = hWnd;
        LoadSettings();
        bInitialized = true;
        return TRUE;
    case WM_COMMAND:
        return HandleCommand(LOWORD(wParam), HIWORD(wParam), HWND(lParam));
    case WM_DRAWITEM:
        return HandleDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_NOTIFY:
        return 0;
    }
    return 0;
}

void CGraphGeneralPage::LoadSettings() {
    CDriveProfileCategory* general = GraphGeneralCategory();
    for (UINT id : BACKGROUND_STRINGS)
        AddComboString(IDC_GENERAL_BACKGROUND, LoadResourceString(id));
    SetComboSelection(IDC_GENERAL_BACKGROUND,
                      general->GetIntegerInRange(Literals::Background, 0, 0, 4));
    rgbBackgroundColor1 =
        general->GetDWordOrDefault(Literals::BackgroundColor1, DEFAULT_BACKGROUND_COLOR);
    rgbBackgroundColor2 =
        general->GetDWordOrDefault(Literals::BackgroundColor2, DEFAULT_BACKGROUND_COLOR);
    LPCSTR image = general->GetString(Literals::Image);
    SetItemText(IDC_GENERAL_IMAGE, image ? image : "");
    // A stored font shorter than the record fills only its start: the rest must not keep a
    // font chosen at an earlier opening.
    lf = {};
    general->GetBinary(Literals::LOGFONTStructure, &lf, sizeof lf);
    lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    SetItemText(IDC_GENERAL_FACE, lf.lfFaceName);
    // The lower bound above the upper one: the up arrow lowers the value, moving the text up.
    SetUpDownRange(IDC_GENERAL_OFFSET, 10, -10,
                   general->GetIntegerOrDefault(Literals::TextVerticalPosition, 0));
    SetCheck(IDC_GENERAL_DRAWSCALE, general->GetBooleanOrDefault(Literals::DrawScale, false));
    rgbScaleColor = general->GetDWordOrDefault(Literals::ScaleColor, 0);
    UpdateBackgroundControls();
    UpdateScaleControls();
}

void CGraphGeneralPage::SaveSettings() {
    if (bInitialized) {
        CDriveProfileCategory* general = GraphGeneralCategory();
        general->SetInteger(Literals::Background, GetComboSelection(IDC_GENERAL_BACKGROUND));
        general->SetDWord(Literals::BackgroundColor1, rgbBackgroundColor1);
        general->SetDWord(Literals::BackgroundColor2, rgbBackgroundColor2);
        CHAR image[IMAGE_PATH_MAX + 1] = {};
        GetItemText(IDC_GENERAL_IMAGE, image, IMAGE_PATH_MAX + 1);
        general->SetString(Literals::Image, image);
        general->SetBinary(Literals::LOGFONTStructure, &lf, sizeof lf);
        general->SetInteger(Literals::TextVerticalPosition, GetUpDownPosition(IDC_GENERAL_OFFSET));
        general->SetBoolean(Literals::DrawScale, IsChecked(IDC_GENERAL_DRAWSCALE));
        general->SetDWord(Literals::ScaleColor, rgbScaleColor);
    }
    SetupGraphDisplay();
}

bool CGraphGeneralPage::IsBackgroundNone() {
    return GetComboSelection(IDC_GENERAL_BACKGROUND) == BACKGROUND_NONE;
}

void CGraphGeneralPage::UpdateBackgroundControls() {
    switch (GetComboSelection(IDC_GENERAL_BACKGROUND)) {
    case 0:
        SetBackgroundControlStates(false, true, SW_SHOW, SW_HIDE);
        break;
    case BACKGROUND_IMAGE:
        SetBackgroundControlStates(false, false, SW_HIDE, SW_HIDE);
        break;
    case BACKGROUND_NONE:
        SetBackgroundControlStates(true, true, SW_HIDE, SW_HIDE);
        break;
    default:
        SetBackgroundControlStates(false, true, SW_SHOW, SW_SHOW);
        break;
    }
}

void CGraphGeneralPage::SetBackgroundControlStates(bool noBackground, bool colourBackground,
                                                   int showColour1, int showColour2) {
    EnableItem(IDC_GENERAL_COLORS_LABEL, colourBackground && !noBackground);
    ShowItem(IDC_GENERAL_COLOR1, showColour1);
    ShowItem(IDC_GENERAL_COLOR2, showColour2);
    EnableItem(IDC_GENERAL_IMAGE_LABEL, !colourBackground);
    EnableItem(IDC_GENERAL_IMAGE, !colourBackground);
    EnableItem(IDC_GENERAL_BROWSE, !colourBackground);
}

void CGraphGeneralPage::UpdateScaleControls() {
    const bool draw = IsChecked(IDC_GENERAL_DRAWSCALE);
    EnableItem(IDC_GENERAL_SCALE_LABEL, draw);
    ShowItem(IDC_GENERAL_SCALECOLOR, draw ? SW_SHOW : SW_HIDE);
}

LONG CGraphGeneralPage::HandleCommand(WORD id, WORD code, HWND control) {
    LONG result = 0;
    // The buttons that open a dialog mark the page changed themselves, only when the dialog
    // was confirmed: a cancelled dialog must leave Apply as it was.
    bool opensDialog = false;
    if (id == IDC_GENERAL_DRAWSCALE && code == BN_CLICKED) {
        UpdateScaleControls();
        result = 1;
    } else if (id == IDC_GENERAL_BACKGROUND && code == CBN_SELCHANGE) {
        pWindowPage->UpdateTrayIconControl();
        UpdateBackgroundControls();
        result = 1;
    } else if (code == BN_CLICKED && id == IDC_GENERAL_COLOR1) {
        ChooseItemColor(rgbBackgroundColor1, id);
        opensDialog = true;
        result = 1;
    } else if (code == BN_CLICKED && id == IDC_GENERAL_COLOR2) {
        ChooseItemColor(rgbBackgroundColor2, id);
        opensDialog = true;
        result = 1;
    } else if (code == BN_CLICKED && id == IDC_GENERAL_SCALECOLOR) {
        ChooseItemColor(rgbScaleColor, id);
        opensDialog = true;
        result = 1;
    } else if (code == BN_CLICKED && id == IDC_GENERAL_BROWSE) {
        ChooseImageFile();
        opensDialog = true;
        result = 1;
    } else if (code == BN_CLICKED && id == IDC_GENERAL_FONT) {
        ChooseTextFont();
        opensDialog = true;
        result = 1;
    }
    if (bInitialized && !opensDialog) {
        if (TrackControlChange(this, control, "Edit", code, EN_CHANGE) ||
            TrackControlChange(this, control, "ComboBox", code, CBN_SELCHANGE) ||
            TrackControlChange(this, control, "Button", code, BN_CLICKED))
            result = 1;
    }
    return result;
}

LONG CGraphGeneralPage::HandleDrawItem(const DRAWITEMSTRUCT* drawItem) {
    COLORREF colour;
    switch (drawItem->CtlID) {
    case IDC_GENERAL_COLOR1:
        colour = rgbBackgroundColor1;
        break;
    case IDC_GENERAL_COLOR2:
        colour = rgbBackgroundColor2;
        break;
    case IDC_GENERAL_SCALECOLOR:
        colour = rgbScaleColor;
        break;
    default:
        return 0;
    }
    DrawSolidColorButton(this, colour, drawItem);
    return 1;
}

void CGraphGeneralPage::ChooseImageFile() {
    // The description, its zero, the pattern and two zeros, in one zero-filled buffer.
    CHAR description[512], pattern[512];
    lstrcpynA(description, LoadResourceString(IDS_IMAGE_FILTER_DESCRIPTION), sizeof description);
    lstrcpynA(pattern, LoadResourceString(IDS_IMAGE_FILTER_PATTERN), sizeof pattern);
    const size_t descriptionLength = strlen(description), patternLength = strlen(pattern);
    auto* filter = static_cast<CHAR*>(calloc(descriptionLength + patternLength + 4, 1));
    if (!filter)
        return;
    memcpy(filter, description, descriptionLength);
    memcpy(filter + descriptionLength + 1, pattern, patternLength);

    CHAR file[IMAGE_PATH_MAX + 4] = {};
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = hWnd;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = file;
    ofn.nMaxFile = IMAGE_PATH_MAX;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameA(&ofn)) {
        SetItemText(IDC_GENERAL_IMAGE, file);
        NotifySheetChanged(GetParent(hWnd), hWnd);
    }
    free(filter);
}

void CGraphGeneralPage::ChooseTextFont() {
    // The dialog works on a copy: the system's dialog may write its record even when the user
    // cancels, and the page's font changes only when the user confirms.
    LOGFONTA chosen = lf;
    CHOOSEFONTA cf = {};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = hWnd;
    cf.lpLogFont = &chosen;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_FORCEFONTEXIST;
    if (ChooseFontA(&cf)) {
        lf = chosen;
        SetItemText(IDC_GENERAL_FACE, lf.lfFaceName);
        NotifySheetChanged(GetParent(hWnd), hWnd);
    }
}

} // namespace Dialog
