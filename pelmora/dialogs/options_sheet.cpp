// The options property sheet and the frame its pages share.
#include "dialogs/options_sheet.h"

#include "dialogs/graph_detail_page.h"
#include "dialogs/graph_general_page.h"
#include "dialogs/window_page.h"
#include "resource.h"
#include "shell/appearance.h"
#include "shell/environment.h"
#include "shell/main_window.h"
#include "shell/program.h"

#include <commctrl.h>

#include <cstring>
#include <memory>

namespace {

constexpr LPCSTR WINDOW_PAGE_TEMPLATE = "OPTION_WINDOW";
constexpr LPCSTR GRAPH_GENERAL_PAGE_TEMPLATE = "OPTION_GRAPH_GENERAL";
constexpr LPCSTR GRAPH_DETAIL_PAGE_TEMPLATE = "OPTION_GRAPH_DETAIL";
constexpr DWORD PROPSHEETPAGE_SIZE = 88;
constexpr DWORD PROPSHEETHEADER_SIZE = 96;
constexpr int CLASS_NAME_SIZE = 32;

// The page objects live for the whole run: clearing the globals at shutdown leaves them in
// place, so a sheet that a shutdown ends from inside its own loop never runs on freed pages.
std::unique_ptr<Dialog::CWindowPage> windowPage;
std::unique_ptr<Dialog::CGraphGeneralPage> graphGeneralPage;
std::unique_ptr<Dialog::CGraphDetailPage> graphDetailPage;

// The 32-bit page result, sign-extended to the dialog result; 0 once the pages are gone.
INT_PTR Forward(Dialog::CPropertyPageBase* page, HWND hWnd, UINT message, WPARAM wParam,
                LPARAM lParam) {
    if (!page)
        return 0;
    return INT_PTR(page->HandleMessage(hWnd, message, wParam, lParam));
}

} // namespace

Dialog::CWindowPage* pWindowPage = nullptr;
Dialog::CGraphGeneralPage* pGraphGeneralPage = nullptr;
Dialog::CGraphDetailPage* pGraphDetailPage = nullptr;

bool bDialogShown = false;
bool bFillingPage = false;
COLORREF rgbCustomColors[16] = {};

void InitializeOptionPages() {
    CreateOptionPages();
}

void CreateOptionPages() {
    windowPage = std::make_unique<Dialog::CWindowPage>();
    pWindowPage = windowPage.get();
    graphGeneralPage = std::make_unique<Dialog::CGraphGeneralPage>();
    pGraphGeneralPage = graphGeneralPage.get();
    graphDetailPage = std::make_unique<Dialog::CGraphDetailPage>();
    pGraphDetailPage = graphDetailPage.get();
}

void ReleaseOptionPages() {
    pWindowPage = nullptr;
    pGraphGeneralPage = nullptr;
    pGraphDetailPage = nullptr;
}

void RunOptionsCommand() {
    bDialogShown = true;
    ShowOptionsSheet(GetMainWindow());
    bDialogShown = false;
}

void ShowOptionsSheet(HWND owner) {
    bFillingPage = false;

    struct PageSource {
        LPCSTR name;
        DLGPROC proc;
    };
    const PageSource sources[3] = {{WINDOW_PAGE_TEMPLATE, WindowPageDlgProc},
                                   {GRAPH_GENERAL_PAGE_TEMPLATE, GraphGeneralPageDlgProc},
                                   {GRAPH_DETAIL_PAGE_TEMPLATE, GraphDetailPageDlgProc}};
    HPROPSHEETPAGE pages[3];
    for (int i = 0; i < 3; ++i) {
        PROPSHEETPAGEA psp{};
        psp.dwSize = PROPSHEETPAGE_SIZE;
        psp.dwFlags = 0;
        psp.hInstance = GetResourceLibrary();
        psp.pszTemplate = sources[i].name;
        psp.pfnDlgProc = sources[i].proc;
        pages[i] = CreatePropertySheetPageA(&psp);
    }

    // The caption is copied at once: the next resource string would overwrite it.
    CHAR caption[256];
    lstrcpynA(caption, LoadResourceString(IDS_OPTIONS_CAPTION), sizeof caption);
    PROPSHEETHEADERA psh{};
    psh.dwSize = PROPSHEETHEADER_SIZE;
    psh.dwFlags = PSH_NOCONTEXTHELP;
    psh.hwndParent = owner;
    psh.pszCaption = caption;
    psh.nPages = 3;
    psh.nStartPage = 0;
    psh.phpage = pages;
    PropertySheetA(&psh);

    if (pGraphDetailPage && pGraphDetailPage->bInitialized)
        pGraphDetailPage->FreeFormatBuffers();
    if (pWindowPage)
        pWindowPage->bInitialized = false;
    if (pGraphGeneralPage)
        pGraphGeneralPage->bInitialized = false;
    if (pGraphDetailPage)
        pGraphDetailPage->bInitialized = false;
}

INT_PTR CALLBACK WindowPageDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return Forward(pWindowPage, hWnd, message, wParam, lParam);
}

INT_PTR CALLBACK GraphGeneralPageDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return Forward(pGraphGeneralPage, hWnd, message, wParam, lParam);
}

INT_PTR CALLBACK GraphDetailPageDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return Forward(pGraphDetailPage, hWnd, message, wParam, lParam);
}

void NotifySheetChanged(HWND sheet, HWND page) {
    if (!bFillingPage)
        SendSheetChanged(sheet, page);
}

void SendSheetChanged(HWND sheet, HWND page) {
    SendMessageA(sheet, PSM_CHANGED, WPARAM(page), 0);
}

int TrackControlChange(Dialog::CPropertyPageBase* page, HWND control, LPCSTR className, WORD code,
                       WORD expectedCode) {
    CHAR name[CLASS_NAME_SIZE] = {};
    GetClassNameA(control, name, CLASS_NAME_SIZE);
    if (std::strcmp(name, className) != 0 || code != expectedCode || !page->bInitialized)
        return 0;
    NotifySheetChanged(GetParent(page->hWnd), page->hWnd);
    return 1;
}

void ApplyAllPages() {
    // A session that ended while the sheet was open has run the shutdown already.
    if (!pWindowPage || !pGraphGeneralPage || !pGraphDetailPage)
        return;
    pWindowPage->SaveWidth();
    pGraphDetailPage->SaveSettings();
    pGraphGeneralPage->SaveSettings();
    pWindowPage->SaveSettings();
    RestartUpdateTimer();
}

void DrawColorButton(Dialog::CPropertyPageBase*, HBRUSH brush, const DRAWITEMSTRUCT* drawItem) {
    RECT rect = drawItem->rcItem;
    FillRect(drawItem->hDC, &rect, brush);
    FrameRect(drawItem->hDC, &rect, GetSysColorBrush(COLOR_BTNSHADOW));
    if (drawItem->itemState & ODS_FOCUS) {
        rect.left += 3;
        rect.top += 3;
        rect.right -= 3;
        rect.bottom -= 3;
        DrawFocusRect(drawItem->hDC, &rect);
    }
}

void DrawSolidColorButton(Dialog::CPropertyPageBase* page, COLORREF colour,
                          const DRAWITEMSTRUCT* drawItem) {
    HBRUSH brush = CreateSolidBrush(colour);
    DrawColorButton(page, brush, drawItem);
    DeleteObject(brush);
}
