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
// The sheet's caption (a string of the table).
#define IDS_OPTIONS_CAPTION 32
#define IDC_WINDOW_ALWAYSONTOP 1
#define IDC_WINDOW_PERMEATE 2
#define IDC_WINDOW_TRAYICON 3
#define IDC_WINDOW_POSITIONX_LABEL 4
#define IDC_WINDOW_POSITIONX_EDIT 5
#define IDC_WINDOW_POSITIONX 6
#define IDC_WINDOW_POSITIONY_LABEL 7
#define IDC_WINDOW_POSITIONY_EDIT 8
#define IDC_WINDOW_POSITIONY 9
#define IDC_WINDOW_WIDTH_LABEL 10
#define IDC_WINDOW_WIDTH_EDIT 11
#define IDC_WINDOW_WIDTH 12
#define IDC_WINDOW_WIDTH_UNIT 13
#define IDC_WINDOW_HOTKEY_LABEL 14
#define IDC_WINDOW_HOTKEY 15
#define IDC_WINDOW_OPACITY_LABEL 16
#define IDC_WINDOW_OPACITY_RANGE 17
#define IDC_WINDOW_OPACITY_EDIT 18
#define IDC_WINDOW_OPACITY 19
#define IDC_WINDOW_CHANGEOPACITY 20
#define IDC_WINDOW_PASSINGOPACITY_EDIT 21
#define IDC_WINDOW_PASSINGOPACITY 22
#define IDC_WINDOW_PASSINGOPACITY_RANGE 23
#define IDC_WINDOW_SNAP_LABEL 24
#define IDC_WINDOW_SNAP_EDIT 25
#define IDC_WINDOW_SNAPTHRESHOLD 26
#define IDC_WINDOW_SNAP_UNIT 27
#define IDC_WINDOW_EFFECTS_GROUP 28
#define IDC_WINDOW_SHADOW 29
#define IDC_WINDOW_FADE 30
#define IDC_WINDOW_FADETIME_EDIT 31
#define IDC_WINDOW_FADETIME 32
#define IDC_WINDOW_FADETIME_UNIT 33
#define IDC_WINDOW_POSITION_GROUP 34
#define IDC_WINDOW_OPACITY_GROUP 35

// ---- Options sheet: graph general page (OPTION_GRAPH_GENERAL) -----------------------------
#define IDC_GENERAL_BACKGROUND 2
#define IDC_GENERAL_COLORS_LABEL 3
#define IDC_GENERAL_COLOR1 4
#define IDC_GENERAL_COLOR2 5
#define IDC_GENERAL_IMAGE_LABEL 6
#define IDC_GENERAL_IMAGE 7
#define IDC_GENERAL_BROWSE 8
#define IDC_GENERAL_FACE 11
#define IDC_GENERAL_FONT 12
#define IDC_GENERAL_OFFSET_EDIT 14
#define IDC_GENERAL_OFFSET 15
#define IDC_GENERAL_DRAWSCALE 18
#define IDC_GENERAL_SCALE_LABEL 19
#define IDC_GENERAL_SCALECOLOR 20

// ---- Options sheet: graph detail page (OPTION_GRAPH_DETAIL) -------------------------------
#define IDC_DETAIL_SOURCES 2
#define IDC_DETAIL_ADD 3
#define IDC_DETAIL_ROWS 5
#define IDC_DETAIL_REMOVE 6
#define IDC_DETAIL_UP 7
#define IDC_DETAIL_DOWN 8
#define IDC_DETAIL_GRAPH_LABEL 10
#define IDC_DETAIL_GRAPH 11
#define IDC_DETAIL_DRAWN 12
#define IDC_DETAIL_TYPE_LABEL 13
#define IDC_DETAIL_TYPE 14
#define IDC_DETAIL_COLORS_LABEL 15
#define IDC_DETAIL_COLOR1 16
#define IDC_DETAIL_COLOR2 17
#define IDC_DETAIL_POSITION_LABEL 18
#define IDC_DETAIL_POSITION 19
#define IDC_DETAIL_TEXTPOSITION 21
#define IDC_DETAIL_TEXTCOLOR 23
#define IDC_DETAIL_CHANGEALL 24
#define IDC_DETAIL_FORMAT 27
#define IDC_DETAIL_PLACEHOLDERS 28
#define IDC_DETAIL_SETTINGS 29
#define IDC_DETAIL_INFO 30

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
// The OK button is IDOK (1).
#define IDC_ABOUT_VERSION 2
#define IDC_ABOUT_WEBSITE 4
#define IDC_ABOUT_MAIL 5
#define IDC_ABOUT_ICON 6
