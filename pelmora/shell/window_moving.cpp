// Dragging, snapping and the saved position of the main window.
#include "shell/main_window.h"

LRESULT SaveWindowPosition(int, int) {
    return 0;
}

LRESULT OnMainWindowEnterSizeMove() {
    return 0;
}

LRESULT OnMainWindowMoving(LPRECT) {
    return 0;
}

LRESULT OnMainWindowLButtonDown(WPARAM, int, int) {
    return 0;
}
