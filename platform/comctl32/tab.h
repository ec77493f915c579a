// The tab strip of the property sheet ("SysTabControl32"): a row of tabs over a framed body.
// Only what the sheet drives is here; a click on a tab sends TCN_SELCHANGING (a non-zero answer
// keeps the selection) and then TCN_SELCHANGE to the parent as WM_NOTIFY.
#pragma once

#include <windows.h>

#include <string>

namespace platform::comctl32 {

inline constexpr const char* kTabClass = "SysTabControl32";

// TCN_ notification codes.
inline constexpr UINT kTabSelChange = 0U - 551U;
inline constexpr UINT kTabSelChanging = 0U - 552U;

// The tab strip's own messages.
inline constexpr UINT kTabAddItem = WM_USER + 1;     // lParam: the tab's text; returns its index
inline constexpr UINT kTabGetCount = WM_USER + 2;    // the number of tabs
inline constexpr UINT kTabGetSel = WM_USER + 3;      // the selected tab, -1 for none
inline constexpr UINT kTabSetSel = WM_USER + 4;      // wParam: the tab; no notification
inline constexpr UINT kTabGetItemRect = WM_USER + 5; // wParam: the tab, lParam: RECT* (client)
inline constexpr UINT kTabGetText = WM_USER + 6;     // wParam: the tab, lParam: std::string*

// The body's rectangle below the tabs, in the strip's client coordinates.
RECT TabBody(HWND tab);
// Picks tab `index` as the user does (a click on it, which also gives the strip the focus, or
// a key), with the notifications; false when there is no such tab, the strip is disabled or the
// parent kept the selection.
bool TabPickByUser(HWND tab, int index);

} // namespace platform::comctl32
