// Drawing of the rows: a background copy, the left part of each pre-painted bar, one formatted
// text and the scale per row. Nothing is created while drawing.
#include "display/display_state.h"
#include "display/format.h"
#include "display/graph_display.h"
#include "display/rows.h"

#include <cstring>

namespace {

// Bit 0 of lDrawnGraphs: graph 1; bit 1: graph 2.
constexpr LONG DRAWN_GRAPH1 = 1;
constexpr LONG DRAWN_GRAPH2 = 2;

// lTextHorizontalPosition; any other value draws no text.
constexpr LONG TEXT_LEFT = 1;
constexpr LONG TEXT_CENTER = 2;
constexpr LONG TEXT_RIGHT = 3;

constexpr UINT TEXT_FLAGS = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;

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

void DrawBar(int row, LONG position, DWORD value, DWORD maximum, int yImage) {
    int length = BarLength(value, maximum);
    if (length <= 0)
        return;
    GraphBand band = GetGraphBand(row, position);
    BitBlt(hBufferDC, 0, band.top, length, band.height, hGraphImageDC, 0, band.top + yImage,
           SRCCOPY);
}

void DrawBars(int row, COnePlugin* plugin, DWORD j, const PMPDATA& sample) {
    DWORD available = plugin->GetInfo()->dwAvailableGraphs;
    if ((plugin->lDrawnGraphs[j] & DRAWN_GRAPH1) && available != 0)
        DrawBar(row, plugin->lPosition1[j], sample.dwCurrentValue1, sample.dwMaxValue, 0);
    if ((plugin->lDrawnGraphs[j] & DRAWN_GRAPH2) && available == PMP_GRAPHS_TWO)
        DrawBar(row, plugin->lPosition2[j], sample.dwCurrentValue2, sample.dwMaxValue,
                lTotalHeight);
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

HDC DrawGraphRows() {
    CopyBackground();
    for (int i = 0; i < lNumberOfGraphs; ++i) {
        COneGraph* graph = GetGraph(i);
        COnePlugin* plugin = graph->Plugin;
        if (plugin == nullptr)
            continue;
        DWORD j = graph->dwPluralNumber;
        PMPDATA sample;
        std::memset(&sample, 0, sizeof sample);
        bool irregular = plugin->GetInfo()->dwType == PMP_TYPE_IRREGULAR;
        if (irregular) {
            sample.dwMaxValue = graph->dwIrregularMaxValue;
            sample.dwCurrentValue1 = graph->dwIrregularCurrentValue1;
            sample.dwCurrentValue2 = graph->dwIrregularCurrentValue2;
        } else if (plugin->GetProcedures()->pfnGetData != nullptr) {
            plugin->GetProcedures()->pfnGetData(j, &sample);
        }
        DrawBars(i, plugin, j, sample);
        if (irregular) {
            DrawTextAndScale(i, plugin, j, graph->szIrregular);
        } else {
            CHAR text[GRAPH_TEXT_SIZE];
            FormatGraphText(text, sizeof text, plugin, j, &sample);
            DrawTextAndScale(i, plugin, j, text);
        }
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

    CopyBackground();
    DrawBars(row, plugin, j, data);
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
