// Identifiers of test_dialogs.rc.
#pragma once

#define IDD_NUMBERED 200
#define IDI_TEST 7

#define IDC_EDIT 10
#define IDC_APPLY 11
#define IDC_CHECK 20
#define IDC_MANUAL_CHECK 21
#define IDC_THREE_STATE 22
#define IDC_RADIO1 23
#define IDC_RADIO2 24
#define IDC_RADIO3 25
#define IDC_OTHER_RADIO 26
#define IDC_GROUP 27
#define IDC_NUMBER 30
#define IDC_SPIN 31
#define IDC_COMBO 32
#define IDC_SORTED 33
#define IDC_LIST 34
#define IDC_LABEL 35
#define IDC_PICTURE 36
#define IDC_PLAIN_EDIT 37
#define IDC_COLOR 38
#define IDC_LIST_VIEW 39
#define IDC_TABS 40
#define IDC_HOT_KEY 41
