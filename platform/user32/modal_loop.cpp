#include "user32/modal_loop.h"

#include "present/present.h"
#include "user32/window_manager.h"

namespace platform::user32 {

ModalLoopOutcome RunModalLoop(const ModalLoopHandlers& handlers) {
    ModalLoopOutcome outcome;
    for (;;) {
        if (handlers.ended && handlers.ended())
            break;
        MSG msg;
        if (!NextMessage(msg, nullptr, 0, 0, true)) {
            ModalIdle idle = handlers.idle ? handlers.idle() : ModalIdle::Wait;
            if (idle == ModalIdle::End)
                break;
            if (idle == ModalIdle::LookAgain || WaitForMessage())
                continue;
            if (handlers.stalled && handlers.stalled())
                continue;
            outcome.stalled = true;
            break;
        }
        if (msg.message == WM_QUIT) {
            outcome.quit = int(msg.wParam);
            break;
        }
        ModalAction action = handlers.message ? handlers.message(msg) : ModalAction::Dispatch;
        if (action == ModalAction::End)
            break;
        if (action == ModalAction::Dispatch) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return outcome;
}

InputGrab::InputGrab(HWND hwnd, HWND holder) : hwnd_(hwnd) {
    SetCapture(hwnd);
    // Without the grab (another program holds the pointer) the capture still brings what
    // reaches the layer's windows.
    present::TheBackend().GrabInput(holder ? holder : hwnd);
}

InputGrab::~InputGrab() {
    present::TheBackend().UngrabInput(); // whatever of it was taken
    if (GetCapture() == hwnd_)
        ReleaseCapture();
}

} // namespace platform::user32
