// Identifiers shared by the resource scripts and the program: menu commands, dialog control ids
// and string numbers that both sides name. The scripts and the program include this one header,
// so a template and the code that drives it cannot disagree on a number.
#pragma once

// ---- The program's own icon (of the executable, not of the resource library) -------------------
#define IDI_PROGRAM_ICON 101

// ---- Strings ----------------------------------------------------------------------------------
// 2 to 10 are the settings file's error messages: an error's code is its string's number.
#define IDS_FATAL_CAPTION 16
#define IDS_SETTINGS_FILE_ERROR 17
#define IDS_PLUGIN_ERROR 18
#define IDS_ROW_ERROR 19
#define IDS_PROGRAM_PATH_TOO_LONG 20

// The options sheet and its pages. The three fills name both the background kinds and the
// graph types; "None" is both a background kind and a text position.
#define IDS_OPTIONS_CAPTION 32
#define IDS_FILL_SOLID 33
#define IDS_FILL_HORIZONTAL_GRADIENT 34
#define IDS_FILL_VERTICAL_GRADIENT 35
#define IDS_BACKGROUND_IMAGE 36
#define IDS_IMAGE_FILTER_DESCRIPTION 37
#define IDS_IMAGE_FILTER_PATTERN 38
#define IDS_GRAPH1 39
#define IDS_GRAPH2 40
#define IDS_NONE 41
#define IDS_TEXT_LEFT 42
#define IDS_TEXT_CENTER 43
#define IDS_TEXT_RIGHT 44
#define IDS_PLACEHOLDER_HEADER 45
#define IDS_MEANING_HEADER 46
#define IDS_INTERNAL_PLUGIN_NAME 47
#define IDS_VALUE1_PERCENT 48
#define IDS_VALUE2_PERCENT 49
#define IDS_VALUE1_PERCENT_2DECIMALS 50
#define IDS_VALUE2_PERCENT_2DECIMALS 51
#define IDS_POSITION_WHOLE_ROW 52
#define IDS_POSITION_UPPER_HALF 53
#define IDS_POSITION_LOWER_HALF 54

// The built-in sources' texts: source s has the strings IDS_SOURCE_STRINGS +
// IDS_SOURCE_STRINGS_PER_SOURCE x s + index, index 0 to 15.
#define IDS_SOURCE_STRINGS 64
#define IDS_SOURCE_STRINGS_PER_SOURCE 16

// Entries of the sources' detail dialogs. A list's entries are consecutive strings, loaded as
// the first and a count, so each run stays in order without gaps.
#define IDS_INTERVAL_DAY 512
#define IDS_INTERVAL_HALF_DAY 513
#define IDS_INTERVAL_HOUR 514
#define IDS_INTERVAL_MINUTE 515
#define IDS_INTERVAL_RAW 516
#define IDS_MAXIMUM_FOLLOWS_INTERFACE 528
#define IDS_MAXIMUM_FIXED 529
// Unit names, at most 8 characters: they are kept in 9-byte fields.
#define IDS_KB 544
#define IDS_MB 545
#define IDS_GB 546
#define IDS_TB 547
#define IDS_KB_PER_SECOND 560
#define IDS_MB_PER_SECOND 561
#define IDS_GB_PER_SECOND 562
#define IDS_TB_PER_SECOND 563
#define IDS_KBPS 564
#define IDS_MBPS 565
#define IDS_GBPS 566
#define IDS_TBPS 567
#define IDS_YEAR_FOUR_DIGITS 592
#define IDS_YEAR_OF_CENTURY 593
#define IDS_YEAR_HEISEI 594
#define IDS_DAY_NAME_SHORT 608
#define IDS_DAY_NAME_FULL 609
#define IDS_DAY_NAME_JAPANESE 610

// ---- Menu "MENU": the context and tray menu ---------------------------------------------------
#define IDM_ALWAYSONTOP 1000
#define IDM_PERMEATE 1001
#define IDM_OPTION 1002
#define IDM_README 1003
#define IDM_ABOUT 1004
#define IDM_EXIT 1005

// ---- Options sheet: window page (OPTION_WINDOW) -------------------------------------------
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

// ---- Detail dialogs of the built-in sources ----------------------------------------------
// OPTION_VIRTUAL_MEMORY and OPTION_PHYSICAL_MEMORY
#define IDC_MEMORY_SCALE 4
// OPTION_PROCESSES
#define IDC_PROCESSES_MAXIMUM 4
// OPTION_NETWORK_SPEED
#define IDC_NETWORK_INTERFACE 4
#define IDC_NETWORK_MAXIMUM_KIND 6
#define IDC_NETWORK_MAXIMUM 7
#define IDC_NETWORK_SEPARATE 9
#define IDC_NETWORK_SPEED_SCALE 11
#define IDC_NETWORK_SIZE_SCALE 13
// OPTION_DATE_AND_TIME
#define IDC_DATE_GRAPH_INTERVAL 4
#define IDC_DATE_YEAR_TYPE 6
#define IDC_DATE_DAY_OF_WEEK_TYPE 8
// OPTION_RUNNING_TIME
#define IDC_RUNNING_GRAPH_INTERVAL 4
// OPTION_HDD_TEMPERATURE: the interval's edit is the buddy of its up-down control.
#define IDC_TEMPERATURE_DRIVE 4
#define IDC_TEMPERATURE_INTERVAL_EDIT 6
#define IDC_TEMPERATURE_INTERVAL 7
// OPTION_HDD_USAGE
#define IDC_USAGE_DRIVE 4
#define IDC_USAGE_SCALE 6

// ---- About dialog (ABOUT) -----------------------------------------------------------------
// The OK button is IDOK (1).
#define IDC_ABOUT_VERSION 2
#define IDC_ABOUT_WEBSITE 4
#define IDC_ABOUT_MAIL 5
#define IDC_ABOUT_ICON 6
