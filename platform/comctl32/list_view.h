// The list-view control ("SysListView32"), as the test desktop reaches it.
#pragma once

#include <windows.h>

namespace platform::comctl32 {

// A click (or a double click) on item `index` as a user makes it: the focus, the selection of
// that item alone, NM_CLICK (and NM_DBLCLK) to the parent. False when the window is no list
// view, is disabled or the index is no item.
bool ListViewPickByUser(HWND list_view, int index, bool double_click);

} // namespace platform::comctl32
