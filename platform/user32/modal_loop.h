// The one modal loop of the layer. Every modal state (a modal dialog, the property sheet, the
// common dialogs, a popup menu, the caption move loop) runs the calling thread's queue through
// RunModalLoop, so timers, paints and sent messages are handled while it lasts and the test
// desktop's idle handler and an input source such as an X server are seen by all of them alike.
//
// A state gives the loop up to four handlers; each is optional:
//   ended    looked at before every retrieval: true once the state is over (EndDialog called,
//            a menu answer given, its window gone);
//   message  every message retrieved but WM_QUIT, before it is dispatched: Dispatch leaves it to
//            TranslateMessage and DispatchMessageA, Drop means the state took it, End that the
//            state took it and is over;
//   idle     the queue is empty, before the loop waits: Wait, LookAgain (the state made
//            something happen, e.g. a step of a test script) or End;
//   stalled  the wait gave up because nothing more will come (the manual clock is idle and the
//            test desktop has nothing more to do): true when the state did something that may
//            bring a message (a dialog presses its close box), false to end the loop.
// WM_QUIT ends every modal loop; the caller posts it again with PostQuitMessage once its own
// state is gone, so that the loop outside sees it too.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

namespace platform::user32 {

enum class ModalAction { Dispatch, Drop, End };
enum class ModalIdle { Wait, LookAgain, End };

struct ModalLoopHandlers {
    std::function<bool()> ended;
    std::function<ModalAction(MSG&)> message;
    std::function<ModalIdle()> idle;
    std::function<bool()> stalled;
};

struct ModalLoopOutcome {
    bool stalled = false;    // the loop ended because nothing more would come
    std::optional<int> quit; // the exit code of the WM_QUIT that ended the loop
};

ModalLoopOutcome RunModalLoop(const ModalLoopHandlers& handlers);

// While it lives, a state that follows the pointer (a modal loop, a combo box's open list) has
// all of the input: its window is the capture and, on a real display, the pointer and the
// keyboard are taken from the other programs, so that a release or a click outside the layer's
// windows still comes to it. The server reports what it takes to `holder` (the capture itself
// when null), which must be on the screen already: a window only just shown may not be yet.
class InputGrab {
public:
    explicit InputGrab(HWND hwnd, HWND holder = nullptr);
    ~InputGrab();
    InputGrab(const InputGrab&) = delete;
    InputGrab& operator=(const InputGrab&) = delete;

private:
    HWND hwnd_;
};

// A source of input besides the thread queues, e.g. the connection to an X server. While a
// thread waits for a message (in GetMessageA and in every modal loop alike) the descriptor is
// polled beside the queue's wake-up; `pump` turns what has arrived into the layer's messages
// (posted input, paints) and is called before each wait and after it wakes. It runs without the
// desktop lock held. An empty source (fd -1, no pump) removes it.
struct MessageSource {
    int fd = -1;
    std::function<void()> pump;
};
void SetMessageSource(MessageSource source);

} // namespace platform::user32
