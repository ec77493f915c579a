// A repaint of a display 400 pixels wide, by DrawGraphRows with the live built-in sources behind
// its rows (one row per data item they offer, up to 32) (each row asks its source for a fresh
// sample, as every second in the program), beside a plain copy of the same frame. The
// drive-temperature source reads a simulated drive, as raw drives need rights the benchmark does
// not have.
#include "display/graph_display.h"
#include "display/rows.h"
#include "host/paths.h"
#include "kernel32/modules.h"
#include "plugin_host/plugin_list.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "shell/environment.h"
#include "shell/main_window.h"
#include "shell/program.h"
#include "testing/desktop.h"
#include "testing/program_folder.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int ROWS = 32;
constexpr int WIDTH = 400;

struct LiveDisplay {
    platform::testing::SimulatedDrivesScope drives;
    // A program folder without plug-ins: only the built-in sources load.
    const platform::testing::ProgramFolder folder{
        "pelmora-bench",
        {.resources = false,
         .plugins = platform::testing::ProgramParts::Plugins::None,
         .in_process = true}};
    CDriveProfile profile;
    HDC windowDC = CreateCompatibleDC(nullptr);
    HBITMAP windowBitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    int rows = 0;

    LiveDisplay() {
        drives.Add(0, platform::testing::MakeIdentifySector("Bench drive"),
                   platform::testing::MakeSmartSector({{194, 40}}));
        Environment::Program::Initialize();
        EnumerateMonitors();
        SetResourceLibrary(LoadLibraryA(
            platform::host::LinuxToWindowsPath(PELMORA_PROGRAM_DIR "/PelmoraResources.dll")
                .c_str()));
        SetDriveProfile(&profile);
        pMainWindowCategory = profile.GetCategory(Literals::MainWindow);
        pMainWindowCategory->SetInteger(Literals::Width, WIDTH);
        windowBitmap = CreateCompatibleBitmap(windowDC, WIDTH, ROWS * 64);
        oldBitmap = SelectObject(windowDC, windowBitmap);
        SetMainWindowDC(windowDC);

        CreatePluginList();
        LoadPlugins();
        // One row per data item of the built-in sources (an item is shown at most once), up
        // to 32 rows.
        CDriveProfileCategory* detail = profile.GetCategory(Literals::GraphDetail);
        for (DWORD p = 0; p < GetPluginCount() && rows < ROWS; ++p) {
            COnePlugin* plugin = GetPluginSlot(p);
            if (!plugin->IsInternal)
                continue;
            for (DWORD j = 0; j < plugin->GetInfo()->dwDataItems && rows < ROWS; ++j) {
                CHAR key[32], value[300];
                wsprintfA(key, "Graph%i", rows);
                wsprintfA(value, "%s|%u", plugin->Identifier, j);
                detail->SetString(key, value);
                ++rows;
            }
        }
        detail->SetInteger(Literals::NumberOfGraphs, rows);
        CreateGraphList();
        InitializeGraphs();
        LoadGraphSettings();
        SetupGraphDisplay();
    }

    ~LiveDisplay() {
        ReleaseGraphDisplay();
        UnloadPlugins();
        SelectObject(windowDC, oldBitmap);
        DeleteObject(windowBitmap);
        DeleteDC(windowDC);
        SetDriveProfile(nullptr);
    }
};

LiveDisplay& TheDisplay() {
    static LiveDisplay display;
    return display;
}

void BM_DrawGraphRowsLive(benchmark::State& state) {
    TheDisplay();
    for (auto _ : state) {
        HDC buffer = DrawGraphRows();
        benchmark::DoNotOptimize(buffer);
    }
    state.counters["rows"] = TheDisplay().rows;
}
BENCHMARK(BM_DrawGraphRowsLive)->Unit(benchmark::kMicrosecond);

// The WM_PAINT handler's copy of the finished frame to the window, for scale.
void BM_CopyFrame(benchmark::State& state) {
    TheDisplay();
    HDC buffer = DrawGraphRows();
    int height = GetMainWindowHeight();
    for (auto _ : state)
        BitBlt(TheDisplay().windowDC, 0, 0, WIDTH, height, buffer, 0, 0, SRCCOPY);
}
BENCHMARK(BM_CopyFrame)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
