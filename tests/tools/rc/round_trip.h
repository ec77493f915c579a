// Identifiers of round_trip.rc.
#pragma once

#define IDS_PLAIN 1
#define IDS_ESCAPES 2
#define IDS_JAPANESE 3
#define IDS_EMPTY 4
#define IDS_LAST 65535

#define IDM_FIRST 100
#define IDM_CHECKED 101
#define IDM_GRAYED 102
#define IDM_NESTED 103
#define IDM_JAPANESE 104

#define IDI_TEST 7

#define IDC_LABEL 10
#define IDC_EDIT 11
#define IDC_SPIN 12
#define IDC_COMBO 13
#define IDC_CHECK 14
#define IDC_PICTURE 15
