#include "shell/program.h"

#include "dialogs/about.h"
#include "dialogs/change_settings_dialog.h"
#include "dialogs/graph_detail_info_dialog.h"
#include "dialogs/options_sheet.h"
#include "display/default_colors.h"
#include "display/graph_display.h"
#include "display/rows.h"
#include "plugin_host/data_items.h"
#include "plugin_host/plugin_list.h"
#include "resource.h"
#include "settings/catalogue.h"
#include "settings/drive_profile.h"
#include "settings/literals.h"
#include "settings/settings_file.h"
#include "shell/appearance.h"
#include "shell/environment.h"
#include "shell/main_window.h"
#include "shell/version.h"

#include "pelmora_version.h"

#include <commctrl.h>

#include <cstring>

namespace {

// Exit codes: 0 after a normal shutdown, 1 when the program could not go on.
constexpr UINT EXIT_NORMAL = 0;
constexpr UINT EXIT_FATAL = 1;

constexpr LPCSTR RESOURCE_LIBRARY_NAME = "PelmoraResources.dll";
constexpr LPCSTR INITIALIZE_ERROR_CAPTION = "Pelmora Initialize Error";

HINSTANCE hInstance = nullptr;
HMODULE hResourceDll = nullptr;
CHAR szErrorTitle[256];
bool bShutDown = false;

} // namespace

VersionEx* pVersion = nullptr;

void SetResourceLibrary(HMODULE module) {
    hResourceDll = module;
}
HMODULE GetResourceLibrary() {
    return hResourceDll;
}
void SetInstanceHandle(HINSTANCE instance) {
    hInstance = instance;
}
HINSTANCE GetInstanceHandle() {
    return hInstance;
}
LPCSTR GetFatalCaption() {
    return szErrorTitle;
}

void ResetProgramState() {
    pVersion = nullptr;
    CreatePluginList();
    SetPluginCount(0);
    SetDataItemCount(0);
    for (HMODULE& module : hPluginModules)
        module = nullptr;
    pPluginsCategory = nullptr;
    pPlaceholderPlugin = nullptr;
    pInternalPlugins = nullptr;
    std::memset(szDataKeyBuffer, 0, sizeof szDataKeyBuffer);
    std::memset(szGraphKeyBuffer, 0, sizeof szGraphKeyBuffer);
    ReleaseOptionPages();
    pMainWindowCategory = nullptr;
    SetDriveProfile(nullptr);
    CreateGraphList();
    pGraphGeneralCategory = nullptr;
    pGraphDetailCategory = nullptr;
    ResetGraphDisplayState();
    ResetDefaultGraphColors();
    SetMainWindow(nullptr);
    SetMainWindowDC(nullptr);
    nidTrayIcon = NOTIFYICONDATAA{};
    hMainMenu = nullptr;
    hPopupMenu = nullptr;
    wmTaskbarCreated = 0;
    ResetAppearanceState();
    bDialogShown = false;
    bFillingPage = false;
    std::memset(rgbCustomColors, 0, sizeof rgbCustomColors);
    hAboutDlg = nullptr;
    hGraphDetailInfoDlg = nullptr;
    hChangeSettingsDlg = nullptr;
    pdwChangeSettingsFlags = nullptr;
    ResetEnvironmentState();
    hInstance = nullptr;
    hResourceDll = nullptr;
    std::memset(szErrorTitle, 0, sizeof szErrorTitle);
    bSettingsLoaded = false;
    bShutDown = false;
}

void RunProgram() {
    ResetProgramState();
    ApplicationMain();
    ExitProcess(EXIT_NORMAL);
}

void InitializeApplication() {
    static VersionEx version;
    version.Initialize(VersionNumber{PELMORA_VERSION_MAJOR, PELMORA_VERSION_MINOR,
                                     PELMORA_VERSION_BUILD, PELMORA_VERSION_REVISION},
                       "");
    SetVersionInfo(&version);
    SetInstanceHandle(GetModuleHandleA(nullptr));
    SetResourceLibrary(LoadLibraryA(RESOURCE_LIBRARY_NAME));
    if (!GetResourceLibrary()) {
        DWORD error = GetLastError();
        CHAR reason[256] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, 0x400, reason, 255, nullptr);
        CHAR text[512];
        wsprintfA(text, "Couldn't load '%s'.\r\n%s", RESOURCE_LIBRARY_NAME, reason);
        MessageBoxA(nullptr, text, INITIALIZE_ERROR_CAPTION, MB_ICONEXCLAMATION);
        // Nothing else has been set up yet, so no shutdown step runs.
        ExitProcess(EXIT_FATAL);
    }
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
    LoadStringA(GetResourceLibrary(), IDS_FATAL_CAPTION, szErrorTitle, 255);
}

void InitializeEnvironment() {
    Environment::Monitor::Initialize();
    Environment::Program::Initialize();
    InitializeEnvironmentRest();
}

void InitializeEnvironmentRest() {}

void ApplicationMain() {
    RunStartupSteps();

    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) == 1) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    RunShutdownSequence();
}

void RunStartupSteps() {
    InitializeApplication();
    InitializeLiterals();
    InitializeEnvironment();
    LoadSettingsFile();
    LoadPlugins();
    CreateMainWindow();
    InitializeGraphs();
    InitializeOptionPages();
    LoadGraphSettings();
    SetupGraphDisplay();
    ApplyMainWindowSettings();
    ShowMainWindow();
}

bool IsShutDown() {
    return bShutDown;
}

void RunShutdownSequence() {
    bShutDown = true;
    PrepareShutdown();
    ReleaseGraphDisplay();
    DestroyMainMenu();
    UnloadPlugins();
    SaveSettingsFile();
    RunEmptyFinalizers();
    FinishShutdown();
    FreeResourceLibrary();
    // The page objects stay for the rest of the process; only the globals go.
    ReleaseOptionPages();
}

void PrepareShutdown() {}

void DestroyMainMenu() {
    if (hMainMenu) {
        DestroyMenu(hMainMenu);
        hMainMenu = nullptr;
        hPopupMenu = nullptr;
    }
}

void RunEmptyFinalizers() {
    EmptyFinalizer3();
    EmptyFinalizer2();
    EmptyFinalizer1();
}

void EmptyFinalizer1() {}
void EmptyFinalizer2() {}
void EmptyFinalizer3() {}
void FinishShutdown() {}

void FreeResourceLibrary() {
    if (hResourceDll) {
        FreeLibrary(hResourceDll);
        hResourceDll = nullptr;
    }
}

void FatalExit(LPCSTR text) {
    MessageBoxA(nullptr, text, szErrorTitle, MB_ICONEXCLAMATION);
    RunShutdownSequence();
    ExitProcess(EXIT_FATAL);
}

LRESULT RunShutdownSteps(WPARAM wParam, LPARAM) {
    if (wParam == 0)
        return 0;
    TearDownMainWindow();
    RunShutdownSequence();
    return 0;
}
