// The drawing surfaces of the status window and the binding of its rows: created once, rebuilt
// at every set-up, released at shutdown.
#include "display/display_state.h"
#include "display/format.h"
#include "display/graph_display.h"
#include "display/rows.h"
#include "shell/main_window.h"
#include "plugin_host/data_items.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/environment.h"

#include <ocidl.h>
#include <olectl.h>

HDC hBackgroundDC = nullptr;
HBITMAP hBackgroundBitmap = nullptr;
HBRUSH hBackgroundBrush = nullptr;
HDC hBufferDC = nullptr;
HBITMAP hBufferBitmap = nullptr;
HFONT hGraphFont = nullptr;
HPEN hScalePen = nullptr;
HDC hGraphImageDC = nullptr;
HBITMAP hGraphImageBitmap = nullptr;

int lNumberOfGraphs = 0;
int lRowHeight = 0;
int lTotalHeight = 0;
int lGraphWidth = 0;
int lTextVerticalPosition = 0;
bool bDrawScale = false;
bool bGraphsStarted = false;

namespace {

// What each memory DC held when it was created; selected back before an own object is replaced
// or deleted.
HBITMAP hInitialBackgroundBitmap = nullptr;
HBRUSH hInitialBackgroundBrush = nullptr;
HBITMAP hInitialBufferBitmap = nullptr;
HFONT hInitialBufferFont = nullptr;
HPEN hInitialBufferPen = nullptr;
HBITMAP hInitialGraphImageBitmap = nullptr;

LOGFONTA lfGraphFont = {};
int lMainWindowHeight = 0;

// Background kinds of "Background".
constexpr int BACKGROUND_SOLID = 0;
constexpr int BACKGROUND_GRADIENT_HORIZONTAL = 1;
constexpr int BACKGROUND_GRADIENT_VERTICAL = 2;
constexpr int BACKGROUND_PICTURE = 3;
constexpr int BACKGROUND_COLOR_KEY = 4;

// Fill types of lGraph1Type and lGraph2Type; any other type paints like the solid one.
constexpr LONG GRAPH_FILL_GRADIENT_HORIZONTAL = 1;
constexpr LONG GRAPH_FILL_GRADIENT_VERTICAL = 2;

void ClearRowCache(COneGraph* graph) {
    graph->szIrregular[0] = '\0';
    graph->dwIrregularMaxValue = 0;
    graph->dwIrregularCurrentValue1 = 0;
    graph->dwIrregularCurrentValue2 = 0;
}

void BindDefaultRow(int row, LPCSTR identifier) {
    COneGraph* graph = GetGraph(row);
    graph->Plugin = BindPluginItem(identifier, 0);
    graph->dwPluralNumber = 0;
    ClearRowCache(graph);
}

// Binds row r to the data item its row key names; a row that cannot be bound ends the program.
void BindRow(int r) {
    COneGraph* graph = GetGraph(r);
    DWORD item = 0;
    graph->Plugin = BindGraphRow(pGraphDetailCategory, DWORD(r), &item);
    graph->dwPluralNumber = item;
    ClearRowCache(graph);
}

void BindRows() {
    int count =
        pGraphDetailCategory->GetIntegerInRange(Literals::NumberOfGraphs, -1, 1, MAX_GRAPHS);
    if (count <= 0) {
        BindDefaultRow(0, Literals::InternalVirtualMemory);
        BindDefaultRow(1, Literals::InternalCPUUsage);
        lNumberOfGraphs = 2;
    } else {
        // Rows bound before a failing one are counted, so that nothing outside them is read.
        lNumberOfGraphs = 0;
        for (int r = 0; r < count; ++r) {
            BindRow(r);
            lNumberOfGraphs = r + 1;
        }
    }
    ClearPluginUsage();
}

void StartRows() {
    for (int i = 0; i < lNumberOfGraphs; ++i) {
        COneGraph* graph = GetGraph(i);
        COnePlugin* plugin = graph->Plugin;
        PFNPMPBEFOREOPERATION before = plugin->GetProcedures()->pfnBeforeOperation;
        if (before == nullptr)
            continue;
        if (plugin->GetInfo()->dwType == PMP_TYPE_IRREGULAR)
            before(graph->dwPluralNumber, GetMainWindow(), DWORD(i), graph->GetIrregularData());
        else
            before(graph->dwPluralNumber, nullptr, 0, nullptr);
    }
}

void StopRows() {
    for (int i = 0; i < lNumberOfGraphs; ++i) {
        COneGraph* graph = GetGraph(i);
        if (graph == nullptr || graph->Plugin == nullptr)
            continue;
        PFNPMPAFTEROPERATION after = graph->Plugin->GetProcedures()->pfnAfterOperation;
        if (after != nullptr)
            after(graph->dwPluralNumber);
    }
}

void SetupFont() {
    if (!pGraphGeneralCategory->GetBinary(Literals::LOGFONTStructure, &lfGraphFont,
                                          sizeof lfGraphFont)) {
        lfGraphFont.lfHeight = -13;
        lfGraphFont.lfWeight = FW_BOLD;
        lfGraphFont.lfCharSet = DEFAULT_CHARSET;
        lfGraphFont.lfOutPrecision = OUT_CHARACTER_PRECIS;
        lfGraphFont.lfClipPrecision = 0;
        lfGraphFont.lfQuality = 0;
        lfGraphFont.lfPitchAndFamily = 0;
        lstrcpynA(lfGraphFont.lfFaceName, Literals::DefaultFontFace, LF_FACESIZE);
        pGraphGeneralCategory->SetBinary(Literals::LOGFONTStructure, &lfGraphFont,
                                         sizeof lfGraphFont);
    }
    // A stored record may lack the terminator of its face name.
    lfGraphFont.lfFaceName[LF_FACESIZE - 1] = '\0';
    SelectObject(hBufferDC, hInitialBufferFont);
    if (hGraphFont != nullptr)
        DeleteObject(hGraphFont);
    hGraphFont = CreateFontIndirectA(&lfGraphFont);
    SelectObject(hBufferDC, hGraphFont);
}

void SetupScalePen() {
    SelectObject(hBufferDC, hInitialBufferPen);
    if (hScalePen != nullptr)
        DeleteObject(hScalePen);
    hScalePen =
        CreatePen(PS_SOLID, 1, pGraphGeneralCategory->GetDWordOrDefault(Literals::ScaleColor, 0));
    SelectObject(hBufferDC, hScalePen);
}

HBITMAP ReplaceBitmap(HDC dc, HBITMAP initial, HBITMAP old, int width, int height) {
    SelectObject(dc, initial);
    if (old != nullptr)
        DeleteObject(old);
    HBITMAP bitmap = CreateCompatibleBitmap(GetMainWindowDC(), width, height);
    SelectObject(dc, bitmap);
    return bitmap;
}

// No background picture comes in a larger file: the largest drawn, 8,388,608 pixels (more than
// the widest window shows), takes 32 MiB uncompressed, and 1 MiB more leaves room for its
// headers. A larger file is not read at all.
constexpr DWORD MAX_PICTURE_FILE_SIZE = 33 * 1024 * 1024;

// Draws the picture file stretched over the whole background; a file that does not open, is
// larger than any picture or holds no loadable picture leaves the background as it is.
void DrawBackgroundPicture(LPCSTR path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    // The high part too: a file of 4 GiB and more would otherwise pass for its remainder.
    DWORD sizeHigh = 0;
    DWORD size = GetFileSize(file, &sizeHigh);
    HGLOBAL block = nullptr;
    if (sizeHigh == 0 && size != 0 && size <= MAX_PICTURE_FILE_SIZE)
        block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block != nullptr) {
        DWORD read = 0;
        LPVOID bytes = GlobalLock(block);
        BOOL loaded =
            bytes != nullptr && ReadFile(file, bytes, size, &read, nullptr) && read == size;
        GlobalUnlock(block);
        IStream* stream = nullptr;
        // The stream does not free the block; it is freed below.
        if (loaded && CreateStreamOnHGlobal(block, FALSE, &stream) == S_OK) {
            IPicture* picture = nullptr;
            if (OleLoadPicture(stream, LONG(size), TRUE, IID_IPicture,
                               reinterpret_cast<LPVOID*>(&picture)) == S_OK &&
                picture != nullptr) {
                OLE_XSIZE_HIMETRIC width = 0;
                OLE_YSIZE_HIMETRIC height = 0;
                picture->get_Width(&width);
                picture->get_Height(&height);
                // Its own units run bottom-up: start at the height with a negative extent.
                picture->Render(hBackgroundDC, 0, 0, lGraphWidth, lTotalHeight, 0, height, width,
                                -height, nullptr);
                picture->Release();
            }
            stream->Release();
        }
        GlobalFree(block);
    }
    CloseHandle(file);
}

void PaintBackgroundImage() {
    COLORREF colour1 =
        pGraphGeneralCategory->GetDWordOrDefault(Literals::BackgroundColor1, 0xFF8080);
    COLORREF colour2 =
        pGraphGeneralCategory->GetDWordOrDefault(Literals::BackgroundColor2, 0xFF8080);
    SelectObject(hBackgroundDC, hInitialBackgroundBrush);
    if (hBackgroundBrush != nullptr)
        DeleteObject(hBackgroundBrush);
    hBackgroundBrush = CreateSolidBrush(colour1);
    SelectObject(hBackgroundDC, hBackgroundBrush);

    RECT whole = {0, 0, lGraphWidth, lTotalHeight};
    int kind = pGraphGeneralCategory->GetIntegerInRange(Literals::Background, 0, 0, 4);
    switch (kind) {
    case BACKGROUND_GRADIENT_HORIZONTAL:
    case BACKGROUND_GRADIENT_VERTICAL:
        FillGradientRect(hBackgroundDC, colour1, colour2, 0, 0, lGraphWidth, lTotalHeight,
                         DWORD(kind - 1));
        break;
    case BACKGROUND_PICTURE:
        FillRect(hBackgroundDC, &whole, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DrawBackgroundPicture(
            pGraphGeneralCategory->GetStringOrDefault(Literals::Image, Literals::EmptyText));
        break;
    case BACKGROUND_SOLID:
    case BACKGROUND_COLOR_KEY:
    default:
        FillRect(hBackgroundDC, &whole, hBackgroundBrush);
        break;
    }
}

// The full-width bar of one graph of row i into the bar image, yOffset lower.
void PaintBar(int row, LONG type, COLORREF colour1, COLORREF colour2, LONG position, int yOffset) {
    int top = lRowHeight * row + yOffset;
    if (type == GRAPH_FILL_GRADIENT_HORIZONTAL || type == GRAPH_FILL_GRADIENT_VERTICAL) {
        GraphBand band = GetGraphBand(row, position);
        FillGradientRect(hGraphImageDC, colour1, colour2, 0, band.top + yOffset, lGraphWidth,
                         band.top + band.height + yOffset, DWORD(type - 1));
        return;
    }
    // Solid, and any type that names no gradient: colour 1 over the whole band of the row.
    RECT rect = {0, top, lGraphWidth, top + lRowHeight};
    HBRUSH brush = CreateSolidBrush(colour1);
    FillRect(hGraphImageDC, &rect, brush);
    DeleteObject(brush);
}

void PaintBars() {
    for (int i = 0; i < lNumberOfGraphs; ++i) {
        COneGraph* graph = GetGraph(i);
        COnePlugin* plugin = graph->Plugin;
        DWORD j = graph->dwPluralNumber;
        PaintBar(i, plugin->lGraph1Type[j], plugin->rgbGraph1Color1[j], plugin->rgbGraph1Color2[j],
                 plugin->lPosition1[j], 0);
        PaintBar(i, plugin->lGraph2Type[j], plugin->rgbGraph2Color1[j], plugin->rgbGraph2Color2[j],
                 plugin->lPosition2[j], lTotalHeight);
    }
}

} // namespace

GraphBand GetGraphBand(int row, LONG position) {
    int h = lRowHeight;
    switch (position) {
    case 1:
        return {h * row, h - h / 2};
    case 2:
        return {h * row + h / 2, h - h / 2};
    default:
        return {h * row, h};
    }
}

void FillGradientRect(HDC dc, COLORREF colour1, COLORREF colour2, int left, int top, int right,
                      int bottom, DWORD mode) {
    TRIVERTEX vertices[2] = {};
    vertices[0].x = left;
    vertices[0].y = top;
    vertices[0].Red = COLOR16(GetRValue(colour1) << 8);
    vertices[0].Green = COLOR16(GetGValue(colour1) << 8);
    vertices[0].Blue = COLOR16(GetBValue(colour1) << 8);
    vertices[0].Alpha = 0;
    vertices[1].x = right;
    vertices[1].y = bottom;
    vertices[1].Red = COLOR16(GetRValue(colour2) << 8);
    vertices[1].Green = COLOR16(GetGValue(colour2) << 8);
    vertices[1].Blue = COLOR16(GetBValue(colour2) << 8);
    vertices[1].Alpha = 0;
    GRADIENT_RECT rect = {0, 1};
    GradientFill(dc, vertices, 2, &rect, 1, mode);
}

void ResetGraphDisplayState() {
    ResetDrawnRows();
    hBackgroundDC = nullptr;
    hBackgroundBitmap = nullptr;
    hBackgroundBrush = nullptr;
    hBufferDC = nullptr;
    hBufferBitmap = nullptr;
    hGraphFont = nullptr;
    hScalePen = nullptr;
    hGraphImageDC = nullptr;
    hGraphImageBitmap = nullptr;
    lNumberOfGraphs = 0;
    lRowHeight = 0;
    lTotalHeight = 0;
    lGraphWidth = 0;
    lTextVerticalPosition = 0;
    bDrawScale = false;
    bGraphsStarted = false;
    hInitialBackgroundBitmap = nullptr;
    hInitialBackgroundBrush = nullptr;
    hInitialBufferBitmap = nullptr;
    hInitialBufferFont = nullptr;
    hInitialBufferPen = nullptr;
    hInitialGraphImageBitmap = nullptr;
    lfGraphFont = {};
    lMainWindowHeight = 0;
}

void InitializeGraphs() {
    pGraphGeneralCategory = GetDriveProfile()->GetCategory(Literals::GraphGeneral);
    pGraphDetailCategory = GetDriveProfile()->GetCategory(Literals::GraphDetail);

    HDC windowDC = GetMainWindowDC();
    hBackgroundDC = CreateCompatibleDC(windowDC);
    hInitialBackgroundBitmap = static_cast<HBITMAP>(GetCurrentObject(hBackgroundDC, OBJ_BITMAP));
    hInitialBackgroundBrush = static_cast<HBRUSH>(GetCurrentObject(hBackgroundDC, OBJ_BRUSH));
    hBufferDC = CreateCompatibleDC(windowDC);
    hInitialBufferBitmap = static_cast<HBITMAP>(GetCurrentObject(hBufferDC, OBJ_BITMAP));
    hInitialBufferFont = static_cast<HFONT>(GetCurrentObject(hBufferDC, OBJ_FONT));
    hInitialBufferPen = static_cast<HPEN>(GetCurrentObject(hBufferDC, OBJ_PEN));
    hGraphImageDC = CreateCompatibleDC(windowDC);
    hInitialGraphImageBitmap = static_cast<HBITMAP>(GetCurrentObject(hGraphImageDC, OBJ_BITMAP));
    ForgetDrawnRows();

    if (pGraphList == nullptr)
        CreateGraphList();
    for (int i = 0; i < MAX_GRAPHS; ++i)
        pGraphList->push_back(std::make_unique<COneGraph>());
}

void SetupGraphDisplay() {
    bGraphsStarted = false;
    BindRows();
    StartRows();
    bGraphsStarted = true;

    SetupFont();
    bDrawScale = pGraphGeneralCategory->GetBooleanOrDefault(Literals::DrawScale, false);
    SetupScalePen();
    lTextVerticalPosition =
        pGraphGeneralCategory->GetIntegerInRange(Literals::TextVerticalPosition, 0, -10, 10);

    TEXTMETRICA metrics = {};
    GetTextMetricsA(hBufferDC, &metrics);
    lRowHeight = metrics.tmHeight;
    lTotalHeight = lRowHeight * lNumberOfGraphs;
    SetMainWindowHeight(lTotalHeight);

    lGraphWidth =
        pMainWindowCategory->GetIntegerInRange(Literals::Width, 200, 1, GetMonitorsMaxRight());

    hBufferBitmap =
        ReplaceBitmap(hBufferDC, hInitialBufferBitmap, hBufferBitmap, lGraphWidth, lTotalHeight);
    hGraphImageBitmap = ReplaceBitmap(hGraphImageDC, hInitialGraphImageBitmap, hGraphImageBitmap,
                                      lGraphWidth, 2 * lTotalHeight);
    hBackgroundBitmap = ReplaceBitmap(hBackgroundDC, hInitialBackgroundBitmap, hBackgroundBitmap,
                                      lGraphWidth, lTotalHeight);
    SetBkMode(hBufferDC, TRANSPARENT);

    PaintBackgroundImage();
    PaintBars();
    ForgetDrawnRows();
}

void EndRowOperations() {
    StopRows();
}

void ReleaseGraphDisplay() {
    ForgetDrawnRows();
    if (hBackgroundDC != nullptr) {
        SelectObject(hBackgroundDC, hInitialBackgroundBitmap);
        SelectObject(hBackgroundDC, hInitialBackgroundBrush);
        DeleteDC(hBackgroundDC);
        hBackgroundDC = nullptr;
    }
    if (hBackgroundBitmap != nullptr)
        DeleteObject(hBackgroundBitmap);
    if (hBackgroundBrush != nullptr)
        DeleteObject(hBackgroundBrush);
    hBackgroundBitmap = nullptr;
    hBackgroundBrush = nullptr;
    if (hBufferDC != nullptr) {
        SelectObject(hBufferDC, hInitialBufferBitmap);
        SelectObject(hBufferDC, hInitialBufferFont);
        SelectObject(hBufferDC, hInitialBufferPen);
        DeleteDC(hBufferDC);
        hBufferDC = nullptr;
    }
    if (hBufferBitmap != nullptr)
        DeleteObject(hBufferBitmap);
    if (hGraphFont != nullptr)
        DeleteObject(hGraphFont);
    if (hScalePen != nullptr)
        DeleteObject(hScalePen);
    hBufferBitmap = nullptr;
    hGraphFont = nullptr;
    hScalePen = nullptr;
    if (hGraphImageDC != nullptr) {
        SelectObject(hGraphImageDC, hInitialGraphImageBitmap);
        DeleteDC(hGraphImageDC);
        hGraphImageDC = nullptr;
    }
    if (hGraphImageBitmap != nullptr)
        DeleteObject(hGraphImageBitmap);
    hGraphImageBitmap = nullptr;

    // Stopped once: a second run (another road through the shutdown) calls no source again.
    if (bGraphsStarted)
        StopRows();
    bGraphsStarted = false;
}

void PaintBackground(HDC dc) {
    BitBlt(dc, 0, 0, lGraphWidth, lRowHeight * lNumberOfGraphs, hBackgroundDC, 0, 0, SRCCOPY);
}

int GetMainWindowHeight() {
    return lMainWindowHeight;
}

void SetMainWindowHeight(int height) {
    lMainWindowHeight = height;
}

LOGFONTA* GetGraphLogFont() {
    return &lfGraphFont;
}
