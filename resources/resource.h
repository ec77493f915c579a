// Identifiers shared by the resource scripts and the program: menu commands, dialog control ids
// and string numbers that both sides name. The scripts and the program include this one header,
// so a template and the code that drives it cannot disagree on a number.
#pragma once

// ---- Menu "MENU": the context and tray menu ---------------------------------------------------
#define IDM_ALWAYSONTOP 1000
#define IDM_PERMEATE 1001
#define IDM_OPTION 1002
#define IDM_README 1003
#define IDM_ABOUT 1004
#define IDM_EXIT 1005

// ---- Options sheet: window page (OPTION_WINDOW) -------------------------------------------

// ---- Options sheet: graph general page (OPTION_GRAPH_GENERAL) -----------------------------

// ---- Options sheet: graph detail page (OPTION_GRAPH_DETAIL) -------------------------------

// ---- Graph detail information dialog (OPTION_GRAPH_DETAIL_INFO) ---------------------------
#define IDC_INFO_PLUGIN 3
#define IDC_INFO_DESCRIPTION 4

// ---- Change-settings dialog (OPTION_GRAPH_DETAIL_CHANGE_SETTINGS) -------------------------
// One check box per group of settings, bit (id - IDC_CHANGE_GRAPH1_DRAWN) of the result.
#define IDC_CHANGE_GRAPH1_DRAWN 5
#define IDC_CHANGE_GRAPH1_TYPE 6
#define IDC_CHANGE_GRAPH1_COLORS 7
#define IDC_CHANGE_GRAPH_POSITIONS 8
#define IDC_CHANGE_TEXT_POSITION 9
#define IDC_CHANGE_TEXT_COLOR 10

// ---- About dialog (ABOUT) -----------------------------------------------------------------
