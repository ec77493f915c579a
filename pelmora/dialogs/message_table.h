// The small dialogs dispatch their messages through a table: one handler per message, and 0
// (not handled) for a message that is not in the table.
#pragma once

#include <windows.h>

#include <span>

struct MessageHandler {
    UINT message;
    INT_PTR (*handler)(HWND hWnd, WPARAM wParam, LPARAM lParam);
};

inline INT_PTR DispatchByTable(std::span<const MessageHandler> table, HWND hWnd, UINT message,
                               WPARAM wParam, LPARAM lParam) {
    for (const MessageHandler& entry : table)
        if (entry.message == message)
            return entry.handler(hWnd, wParam, lParam);
    return 0;
}
