// A repaint of a full display, 32 rows 400 pixels wide, by DrawGraphRows, beside a plain copy
// of the same frame. The sources return records that the benchmark sets, so the figures are those
// of drawing alone: once with the same records at every repaint (each row already shows what it
// would draw), once with every row's values, bars and text changing at every repaint.
#include "display/display_state.h"
#include "display/default_colors.h"
#include "display/graph_display.h"
#include "display/rows.h"
#include "plugin_host/plugin_list.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/environment.h"
#include "shell/main_window.h"
#include "shell/program.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {
// A memory DC stands for the main window's own DC.
HDC hWindowDC = nullptr;
} // namespace

namespace {

constexpr int SOURCES = 8;
constexpr int ITEMS = 4;
CHAR szNames[SOURCES][2][16];

// Added to both values of every record: 0 gives the same records at every repaint.
DWORD dwStep = 0;

// Every item of every source reports the same record: three quarters, a third, two texts, moved
// by the step.
void WINAPI GetFixedData(DWORD j, PMPDATA* data) {
    data->dwMaxValue = 1200;
    data->dwCurrentValue1 = 900 - 100 * j - dwStep % 600;
    data->dwCurrentValue2 = 400 + dwStep % 600;
    data->pszFormatParams[0] = "2048 MB";
    data->pszFormatParams[1] = "4096 MB";
}

void WINAPI NoOperation(DWORD, HWND, DWORD, PMPDATA*) {}
void WINAPI NoAfterOperation(DWORD) {}

struct Display {
    CDriveProfile profile;
    HDC windowDC = CreateCompatibleDC(nullptr);
    HBITMAP windowBitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;

    Display() {
        SetDriveProfile(&profile);
        pPluginsCategory = profile.GetCategory(Literals::Plugins);
        pMainWindowCategory = profile.GetCategory(Literals::MainWindow);
        pMainWindowCategory->SetInteger(Literals::Width, 400);
        windowBitmap = CreateCompatibleBitmap(windowDC, 400, 32 * 64);
        oldBitmap = SelectObject(windowDC, windowBitmap);
        hWindowDC = windowDC;
        SetMainWindowDC(windowDC);
        EnumerateMonitors();
        FillDefaultGraphColors();

        CreatePluginList();
        for (DWORD i = 0; i < MAX_PLUGINS; ++i)
            pPluginList->push_back(std::make_unique<COnePlugin>());
        CDriveProfileCategory* detail = profile.GetCategory(Literals::GraphDetail);
        detail->SetInteger(Literals::NumberOfGraphs, SOURCES * ITEMS);
        for (int s = 0; s < SOURCES; ++s) {
            COnePlugin* plugin = GetPluginSlot(DWORD(s));
            wsprintfA(plugin->Identifier, "Bench%i", s);
            wsprintfA(szNames[s][0], "bench %i", s);
            PMPINFO* info = plugin->GetInfo();
            info->dwType = PMP_TYPE_REGULAR;
            info->pszName = szNames[s][0];
            info->dwAvailableGraphs = PMP_GRAPHS_TWO;
            info->dwFormatParams = 2;
            info->pszDefaultFormat = "Memory: $3%% (%1 / %2), swap $2%%";
            info->pszDescription = "fixed records";
            info->dwDataItems = ITEMS;
            plugin->GetProcedures()->pfnBeforeOperation = NoOperation;
            plugin->GetProcedures()->pfnAfterOperation = NoAfterOperation;
            plugin->GetProcedures()->pfnGetData = GetFixedData;
            for (int j = 0; j < ITEMS; ++j) {
                int row = ITEMS * s + j;
                CHAR key[32], value[32];
                wsprintfA(key, "Graph%i", row);
                wsprintfA(value, "Bench%i|%i", s, j);
                detail->SetString(key, value);
                wsprintfA(key, "Bench%i|%i", s, j);
                CDriveProfileCategory* item = pPluginsCategory->GetCategory(key);
                item->SetInteger(Literals::DrawnGraphs, 3);
                item->SetInteger(Literals::Graph1Type, row % 3);
                item->SetInteger(Literals::Graph1Position, 1);
                item->SetInteger(Literals::Graph2Type, (row + 1) % 3);
                item->SetInteger(Literals::Graph2Position, 2);
                item->SetInteger(Literals::TextHorizontalPosition, 1 + row % 3);
            }
        }
        SetPluginCount(SOURCES);
        SetDataItemCount(SOURCES * ITEMS);
        CDriveProfileCategory* general = profile.GetCategory(Literals::GraphGeneral);
        general->SetInteger(Literals::Background, 2);
        general->SetDWord(Literals::BackgroundColor2, 0x402020);
        general->SetBoolean(Literals::DrawScale, true);

        CreateGraphList();
        InitializeGraphs();
        LoadGraphSettings();
        SetupGraphDisplay();
    }

    ~Display() {
        ReleaseGraphDisplay();
        SelectObject(windowDC, oldBitmap);
        DeleteObject(windowBitmap);
        DeleteDC(windowDC);
        hWindowDC = nullptr;
        SetDriveProfile(nullptr);
    }
};

Display& TheDisplay() {
    static Display display;
    return display;
}

void BM_DrawGraphRows(benchmark::State& state) {
    Display& display = TheDisplay();
    dwStep = 0;
    for (auto _ : state) {
        HDC buffer = DrawGraphRows();
        benchmark::DoNotOptimize(buffer);
    }
    state.counters["rows"] = lNumberOfGraphs;
    state.counters["height"] = lTotalHeight;
    (void)display;
}
BENCHMARK(BM_DrawGraphRows);

// Each value moves by 1 % of the maximum at every repaint, so every bar and text changes.
void BM_DrawGraphRowsChanging(benchmark::State& state) {
    Display& display = TheDisplay();
    for (auto _ : state) {
        dwStep += 12;
        HDC buffer = DrawGraphRows();
        benchmark::DoNotOptimize(buffer);
    }
    dwStep = 0;
    (void)display;
}
BENCHMARK(BM_DrawGraphRowsChanging);

// The WM_PAINT handler's copy of the finished frame to the window, for scale.
void BM_CopyFrame(benchmark::State& state) {
    Display& display = TheDisplay();
    DrawGraphRows();
    for (auto _ : state)
        BitBlt(display.windowDC, 0, 0, lGraphWidth, lTotalHeight, hBufferDC, 0, 0, SRCCOPY);
}
BENCHMARK(BM_CopyFrame);

} // namespace

BENCHMARK_MAIN();
