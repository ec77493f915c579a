// The settings categories that several parts of the program hold on to. Each is set once by
// the part that first needs it and stays valid for the rest of the run (nodes are never freed
// while the store lives).
#pragma once

class CDriveProfileCategory;

// "MainWindow", set when the main window is created.
extern CDriveProfileCategory* pMainWindowCategory;
// "GraphGeneral" and "GraphDetail", set when the graph display is initialised.
extern CDriveProfileCategory* pGraphGeneralCategory;
extern CDriveProfileCategory* pGraphDetailCategory;
// "Plug-ins", set by the plug-in loader.
extern CDriveProfileCategory* pPluginsCategory;
