// Drawing of the rows: a background copy, the left part of each pre-painted bar, one formatted
// text and the scale per row. Nothing is created while drawing.
//
// The back buffer keeps what it shows from one repaint to the next, so a row whose bars, text
// and settings are those it already shows is left as it is. That holds while rows stay inside
// their own bands (the text is not moved up or down); otherwise every row is drawn each time.
#include "display/display_state.h"
#include "display/format.h"
#include "display/graph_display.h"
#include "display/rows.h"

#include <array>
#include <cstring>
#include <string>
#include <utility>

namespace {

// Bit 0 of lDrawnGraphs: graph 1; bit 1: graph 2.
constexpr LONG DRAWN_GRAPH1 = 1;
constexpr LONG DRAWN_GRAPH2 = 2;

// lTextHorizontalPosition; any other value draws no text.
constexpr LONG TEXT_LEFT = 1;
constexpr LONG TEXT_CENTER = 2;
constexpr LONG TEXT_RIGHT = 3;

constexpr UINT TEXT_FLAGS = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;

// What one row of the back buffer shows: everything its pixels are drawn from.
struct DrawnRow {
    const COnePlugin* plugin = nullptr;
    int length1 = 0; // bar of graph 1, 0 for none
    LONG band1 = 0;
    int length2 = 0;
    LONG band2 = 0;
    LONG textPosition = 0;
    COLORREF textColor = 0;
    std::string text;

    bool operator==(const DrawnRow& other) const = default;
};

// The surfaces and metrics the rows were drawn with; any change and every row is drawn again.
struct DrawnFrame {
    unsigned generation = 0;
    HDC buffer = nullptr;
    HDC background = nullptr;
    HDC image = nullptr;
    int width = 0;
    int rowHeight = 0;
    int rows = 0;
    int totalHeight = 0;
    bool scale = false;

    bool operator==(const DrawnFrame& other) const = default;
};

// Every row of drawnFrame is in drawnRows: a frame that no DrawGraphRows has drawn whole yet
// (generation 0) never matches the current one.
std::array<DrawnRow, MAX_GRAPHS> drawnRows;
DrawnFrame drawnFrame;
unsigned frameGeneration = 1;

DrawnFrame CurrentFrame() {
    return {frameGeneration, hBufferDC,       hBackgroundDC, hGraphImageDC, lGraphWidth,
            lRowHeight,      lNumberOfGraphs, lTotalHeight,  bDrawScale};
}

bool IsRowInUse(int row) {
    return row >= 0 && row < lNumberOfGraphs && row < MAX_GRAPHS && GetGraph(row) != nullptr &&
           GetGraph(row)->Plugin != nullptr;
}

void CopyBackground() {
    BitBlt(hBufferDC, 0, 0, lGraphWidth, lRowHeight * lNumberOfGraphs, hBackgroundDC, 0, 0,
           SRCCOPY);
}

// Length of the bar of value for the maximum: no bar for a maximum of 0, and never past the
// right edge of the row.
int BarLength(DWORD value, DWORD maximum) {
    if (maximum == 0)
        return 0;
    double length = double(lGraphWidth) * double(value) / double(maximum);
    if (length >= double(lGraphWidth))
        return lGraphWidth;
    return int(length);
}

void DrawBar(int row, LONG position, int length, int yImage) {
    if (length <= 0)
        return;
    GraphBand band = GetGraphBand(row, position);
    BitBlt(hBufferDC, 0, band.top, length, band.height, hGraphImageDC, 0, band.top + yImage,
           SRCCOPY);
}

// The bars of the row: graph 1 when drawn and available, graph 2 when drawn and the source has
// two.
void MeasureBars(DrawnRow& drawn, COnePlugin* plugin, DWORD j, const PMPDATA& sample) {
    DWORD available = plugin->GetInfo()->dwAvailableGraphs;
    if ((plugin->lDrawnGraphs[j] & DRAWN_GRAPH1) && available != 0) {
        drawn.length1 = BarLength(sample.dwCurrentValue1, sample.dwMaxValue);
        drawn.band1 = plugin->lPosition1[j];
    }
    if ((plugin->lDrawnGraphs[j] & DRAWN_GRAPH2) && available == PMP_GRAPHS_TWO) {
        drawn.length2 = BarLength(sample.dwCurrentValue2, sample.dwMaxValue);
        drawn.band2 = plugin->lPosition2[j];
    }
}

// How far from the left the bars cover line y of the row.
int CoveredLength(int row, const DrawnRow& drawn, int y) {
    int covered = 0;
    for (auto [length, position] :
         {std::pair{drawn.length1, drawn.band1}, std::pair{drawn.length2, drawn.band2}}) {
        GraphBand band = GetGraphBand(row, position);
        if (length > covered && y >= band.top && y < band.top + band.height)
            covered = length;
    }
    return covered;
}

// The background of one row, but for what its bars are about to cover, line runs of one
// covered length at a time.
void CopyRowBackground(int row, const DrawnRow& drawn) {
    int bottom = lRowHeight * (row + 1);
    for (int y = lRowHeight * row; y < bottom;) {
        int covered = CoveredLength(row, drawn, y);
        int end = y + 1;
        while (end < bottom && CoveredLength(row, drawn, end) == covered)
            ++end;
        if (covered < lGraphWidth)
            BitBlt(hBufferDC, covered, y, lGraphWidth - covered, end - y, hBackgroundDC, covered, y,
                   SRCCOPY);
        y = end;
    }
}

void DrawBars(int row, const DrawnRow& drawn) {
    DrawBar(row, drawn.band1, drawn.length1, 0);
    DrawBar(row, drawn.band2, drawn.length2, lTotalHeight);
}

void DrawRowText(int row, COnePlugin* plugin, DWORD j, LPCSTR text) {
    UINT flags;
    switch (plugin->lTextHorizontalPosition[j]) {
    case TEXT_LEFT:
        flags = TEXT_FLAGS | DT_LEFT;
        break;
    case TEXT_CENTER:
        flags = TEXT_FLAGS | DT_CENTER;
        break;
    case TEXT_RIGHT:
        flags = TEXT_FLAGS | DT_RIGHT;
        break;
    default:
        return;
    }
    int top = lRowHeight * row + lTextVerticalPosition;
    RECT rect = {0, top, lGraphWidth, top + lRowHeight};
    SetTextColor(hBufferDC, plugin->rgbTextColor[j]);
    DrawTextA(hBufferDC, text, -1, &rect, flags);
}

// Ten ticks standing on the bottom line of the row; 5 and 10 are 3 pixels long, the others 2.
void DrawRowScale(int row) {
    int bottom = lRowHeight * (row + 1);
    for (int k = 1; k <= 10; ++k) {
        int x = int(double(lGraphWidth) / 10.0 * k + 0.5) - 1;
        MoveToEx(hBufferDC, x, bottom - (k % 5 == 0 ? 3 : 2), nullptr);
        LineTo(hBufferDC, x, bottom);
    }
}

void DrawTextAndScale(int row, COnePlugin* plugin, DWORD j, LPCSTR text) {
    DrawRowText(row, plugin, j, text);
    if (bDrawScale)
        DrawRowScale(row);
}

} // namespace

void ForgetDrawnRows() {
    ++frameGeneration;
}

void ResetDrawnRows() {
    drawnRows = {};
    drawnFrame = {};
    frameGeneration = 1;
}

HDC DrawGraphRows() {
    DrawnFrame frame = CurrentFrame();
    // Rows are drawn over their own bands alone only while no text reaches into the next band.
    bool keep = lTextVerticalPosition == 0 && lNumberOfGraphs <= MAX_GRAPHS && frame == drawnFrame;
    if (!keep) {
        CopyBackground();
        drawnFrame = frame;
    }
    DrawnRow drawn;
    for (int i = 0; i < lNumberOfGraphs; ++i) {
        COneGraph* graph = GetGraph(i);
        COnePlugin* plugin = graph->Plugin;
        drawn.plugin = plugin;
        drawn.length1 = drawn.length2 = 0;
        drawn.band1 = drawn.band2 = 0;
        drawn.textPosition = 0;
        drawn.textColor = 0;
        drawn.text.clear();
        DWORD j = graph->dwPluralNumber;
        PMPDATA sample;
        std::memset(&sample, 0, sizeof sample);
        CHAR text[GRAPH_TEXT_SIZE];
        LPCSTR shown = text;
        if (plugin != nullptr) {
            bool irregular = plugin->GetInfo()->dwType == PMP_TYPE_IRREGULAR;
            if (irregular) {
                sample.dwMaxValue = graph->dwIrregularMaxValue;
                sample.dwCurrentValue1 = graph->dwIrregularCurrentValue1;
                sample.dwCurrentValue2 = graph->dwIrregularCurrentValue2;
            } else if (plugin->GetProcedures()->pfnGetData != nullptr) {
                plugin->GetProcedures()->pfnGetData(j, &sample);
            }
            MeasureBars(drawn, plugin, j, sample);
            drawn.textPosition = plugin->lTextHorizontalPosition[j];
            drawn.textColor = plugin->rgbTextColor[j];
            if (irregular)
                shown = graph->szIrregular;
            else
                FormatGraphText(text, sizeof text, plugin, j, &sample);
            drawn.text.assign(shown);
        }
        if (keep) {
            if (drawn == drawnRows[size_t(i)])
                continue;
            CopyRowBackground(i, drawn);
        }
        if (plugin != nullptr) {
            DrawBars(i, drawn);
            DrawTextAndScale(i, plugin, j, shown);
        }
        if (i < MAX_GRAPHS)
            drawnRows[size_t(i)] = drawn;
    }
    return hBufferDC;
}

void DrawGraphRow(HDC dc, int row) {
    if (!IsRowInUse(row))
        return;
    COneGraph* graph = GetGraph(row);
    COnePlugin* plugin = graph->Plugin;
    if (plugin->GetInfo()->dwType != PMP_TYPE_IRREGULAR)
        return;
    DWORD j = graph->dwPluralNumber;
    const PMPDATA& data = graph->pmpIrregularData;

    // The whole background goes under this row, so no other row shows what it showed.
    CopyBackground();
    ForgetDrawnRows();
    DrawnRow drawn;
    MeasureBars(drawn, plugin, j, data);
    DrawBars(row, drawn);
    CHAR text[GRAPH_TEXT_SIZE];
    FormatGraphText(text, sizeof text, plugin, j, &data);
    DrawTextAndScale(row, plugin, j, text);

    graph->dwIrregularCurrentValue1 = data.dwCurrentValue1;
    graph->dwIrregularCurrentValue2 = data.dwCurrentValue2;
    graph->dwIrregularMaxValue = data.dwMaxValue;
    CopyGraphText(graph->szIrregular, sizeof graph->szIrregular, text);

    BitBlt(dc, 0, lRowHeight * row, lGraphWidth, lRowHeight, hBufferDC, 0, lRowHeight * row,
           SRCCOPY);
}

void StoreGraphReport(int row, LPCVOID record) {
    if (!IsRowInUse(row) || record == nullptr)
        return;
    std::memcpy(&GetGraph(row)->pmpIrregularData, record, sizeof(PMPDATA));
}
