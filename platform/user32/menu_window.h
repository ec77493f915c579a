// The window of an open popup menu: the items drawn as the menu holds them (check marks, grayed
// items, separators, shortcuts after a tab), the item under the cursor or picked with the arrow
// keys highlighted, and the user's choice made with the mouse or the keyboard. TrackPopupMenu
// opens one for the time its loop runs and gives it every input message that the loop takes.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>

namespace platform::user32 {

class MenuWindow {
public:
    // Shows the menu with its top-left corner at (x, y), moved left or up as far as it takes
    // to stay on the work area of the monitor there. It does not take the activation.
    MenuWindow(HMENU menu, UINT flags, int x, int y);
    ~MenuWindow();
    MenuWindow(const MenuWindow&) = delete;
    MenuWindow& operator=(const MenuWindow&) = delete;

    HWND hwnd() const;

    // What an input message does to the open menu: nothing for now (nullopt), or the end of it
    // with the command chosen (0: cancelled). The loop takes every input message it is given.
    std::optional<UINT> Input(const MSG& msg);

    struct State;

private:
    std::shared_ptr<State> state_;
};

} // namespace platform::user32
