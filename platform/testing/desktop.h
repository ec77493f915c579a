// The test desktop: what tests use to drive the layer and observe the program.
#pragma once

#include <windows.h>

#include "gdi32/surface.h"
#include "host/clock.h"
#include "host/drives.h"
#include "kernel32/simulated_drives.h"
#include "user32/message_box.h"
#include "user32/monitors.h"
#include "testing/ime.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::testing {

// Thrown by ExitProcess while an ExitTrap is in force, so that a test can watch the program end.
struct ProcessExited {
    UINT code;
};

// While it lives, ExitProcess throws ProcessExited instead of ending the test run.
class ExitTrap {
public:
    ExitTrap();
    ~ExitTrap();
    ExitTrap(const ExitTrap&) = delete;
    ExitTrap& operator=(const ExitTrap&) = delete;
};

// Thrown by ExitProcess while a FatalExitTrap is in force: the text of the last message box
// shown, which is what a fatal exit showed before it ended the process (empty when none was).
struct FatalExitCalled {
    std::string text;
};

// While it lives, ExitProcess runs `before_throw` (when there is one) and throws FatalExitCalled
// instead of ending the test run.
class FatalExitTrap {
public:
    explicit FatalExitTrap(std::function<void()> before_throw = {});
    ~FatalExitTrap();
    FatalExitTrap(const FatalExitTrap&) = delete;
    FatalExitTrap& operator=(const FatalExitTrap&) = delete;
};

// While it lives, the layer's clock is this manual clock.
class ManualClockScope {
public:
    explicit ManualClockScope(uint64_t start_ms = 1'000'000);
    ~ManualClockScope();
    ManualClockScope(const ManualClockScope&) = delete;
    ManualClockScope& operator=(const ManualClockScope&) = delete;
    host::ManualClock& clock() { return clock_; }
    host::ManualClock* operator->() { return &clock_; }

private:
    host::ManualClock clock_;
};

// While it lives, the host readings (/proc, /sys, /dev) come from the tree at this path, e.g. a
// fixture in tests/fixtures/host/<name>; the previous root comes back after.
class HostRootScope {
public:
    explicit HostRootScope(std::string_view root);
    ~HostRootScope();
    HostRootScope(const HostRootScope&) = delete;
    HostRootScope& operator=(const HostRootScope&) = delete;

private:
    std::string previous_;
};

// An IDENTIFY DEVICE answer with this model name (words 27 to 46), serial and firmware.
std::array<uint8_t, 512> MakeIdentifySector(std::string_view model, std::string_view serial = "",
                                            std::string_view firmware = "");
// A SMART READ DATA answer holding these attributes, in order from the first entry: each an
// identifier and its raw value (least significant byte first in the entry).
std::array<uint8_t, 512> MakeSmartSector(std::vector<std::pair<uint8_t, uint64_t>> attributes);

// While it lives, "\\.\PhysicalDriveN" opens only the drives registered here, never a real disk.
class SimulatedDrivesScope {
public:
    SimulatedDrivesScope();
    ~SimulatedDrivesScope();
    SimulatedDrivesScope(const SimulatedDrivesScope&) = delete;
    SimulatedDrivesScope& operator=(const SimulatedDrivesScope&) = delete;

    // Drive n answers IDENTIFY and SMART READ DATA with these sectors.
    void Add(unsigned n, const std::array<uint8_t, 512>& identify,
             const std::array<uint8_t, 512>& smart);
    // Drive n does not open: CreateFileA fails with this error (ERROR_ACCESS_DENIED, ...).
    void AddUnopenable(unsigned n, DWORD error);
    // Drive n opens, but every drive command fails with this error.
    void AddFailing(unsigned n, DWORD error);

    std::vector<SimulatedDriveOpen> opens() const { return SimulatedDriveOpens(); }
    std::vector<SimulatedDriveRequest> requests() const { return SimulatedDriveRequests(); }

private:
    void Install();
    std::map<unsigned, SimulatedDrive> drives_;
};

// A copy of the pixels that a DC draws on (its selected bitmap, or a window's surface); nothing
// for a handle that is not a DC.
std::optional<gdi::Surface> ReadPixels(HDC dc);
// One pixel of a copy, as a COLORREF.
COLORREF PixelAt(const gdi::Surface& surface, int x, int y);
// Writes what a DC shows to a PNG file (opaque), for looking at a scene.
bool SaveDCPng(HDC dc, const std::string& linux_path);

} // namespace platform::testing

namespace platform::testing {

// ---- Windows, the queue and input ----------------------------------------------------------

// While it lives: a manual clock and an empty desktop for the calling thread; at the end every
// window it left is destroyed, every class without windows unregistered, timers, queue, input
// state, menu answers and idle handler cleared.
class DesktopScope {
public:
    explicit DesktopScope(uint64_t start_ms = 1'000'000);
    ~DesktopScope();
    DesktopScope(const DesktopScope&) = delete;
    DesktopScope& operator=(const DesktopScope&) = delete;
    host::ManualClock& clock() { return clock_.clock(); }

private:
    ManualClockScope clock_;
};

// Dispatches what the calling thread's queue holds at the present time (sent, posted, input,
// paint, due timers) until nothing is left. A WM_QUIT met on the way stops the run and stays
// in the queue. Returns the number of messages dispatched.
int RunUntilIdle();
// Runs the queue for a span of the manual clock: dispatches what is due, then moves the clock
// to the next due timer (or the end of the span) and goes on. Returns the messages dispatched.
int RunFor(uint64_t milliseconds);
// The exit code of a WM_QUIT that waits in the queue.
std::optional<int> PendingQuit();

// What GetMessageA and the modal loops do on the manual clock when nothing is due: the handler
// returns true when it made something due (posted, advanced the clock) and false to give up,
// which makes GetMessageA fail with -1 and a modal loop end. Without a handler they give up.
class IdleScope {
public:
    explicit IdleScope(std::function<bool()> handler);
    ~IdleScope();
    IdleScope(const IdleScope&) = delete;
    IdleScope& operator=(const IdleScope&) = delete;
};
// An idle handler that moves the manual clock to each due timer within `milliseconds` of now;
// at the end of the span it runs `at_end` once (posting WM_CLOSE, say), then gives up.
std::function<bool()> AdvanceTimersFor(uint64_t milliseconds, std::function<void()> at_end = {});

// Popup menus: TrackPopupMenu takes the answers in order; without one it waits as the user
// would (and on an idle manual clock cancels).
struct ShownMenu {
    HMENU menu;
    UINT flags;
    POINT at;
    HWND owner;
};
void AnswerNextMenu(UINT command);
void CancelNextMenu();
// Decides when the menu is open, e.g. after looking at its check marks; 0 cancels.
void AnswerNextMenuWith(std::function<UINT(const ShownMenu&)> answer);
const std::vector<ShownMenu>& MenusShown();
void ClearMenuAnswers();

// Records every message a window procedure is called with (sent or dispatched), from its
// creation on.
class MessageSpy {
public:
    struct Entry {
        HWND hwnd;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    MessageSpy();
    ~MessageSpy();
    MessageSpy(const MessageSpy&) = delete;
    MessageSpy& operator=(const MessageSpy&) = delete;
    std::vector<Entry> Entries() const;
    // The message numbers one window received, in order.
    std::vector<UINT> MessagesOf(HWND hwnd) const;
    // The entries of one message to one window.
    std::vector<Entry> Of(HWND hwnd, UINT message) const;
    void Clear();

private:
    struct State;
    std::shared_ptr<State> state_;
    int cookie_;
};

// Mouse input at screen points, routed by hit-testing as the system routes it (the capture
// first; a click-through window lets it fall through). `keys` adds MK_CONTROL / MK_SHIFT held
// for this input only. Double clicks use the system's time (500 ms) and distance (4 pixels).
void MouseMove(POINT at, UINT keys = 0);
void LeftDown(POINT at, UINT keys = 0);
void LeftUp(POINT at, UINT keys = 0);
void LeftClick(POINT at, UINT keys = 0);
void DoubleClick(POINT at, UINT keys = 0);
void RightDown(POINT at, UINT keys = 0);
void RightUp(POINT at, UINT keys = 0);
void RightClick(POINT at, UINT keys = 0);
// The wheel turned by `notches` (positive away from the user) with the pointer at `at`.
void TurnWheel(POINT at, int notches, UINT keys = 0);
// Button down at `from`, `steps` moves to `to`, button up at `to`, running the queue as it
// goes: each step is made when the queue (or the move loop the button-down started) has
// nothing left to do. Needs the manual clock.
void Drag(POINT from, POINT to, int steps = 4, UINT keys = 0);

// Keyboard input to the focus window (the foreground window without a focus, the capture
// without either).
void KeyDown(int vk);
void KeyUp(int vk);
void PressKey(int vk);
// A key held or released at once, without a message (GetKeyState and GetAsyncKeyState see it).
void SetKeyDown(int vk, bool down);

// Message boxes: every MessageBoxA is recorded (owner, ANSI text and caption, style) and
// answered at once with its default button, or with the next scripted answer.
std::vector<user32::MessageBoxRecord> MessageBoxesShown();
// Forgets the boxes shown and the answers not yet used.
void ClearMessageBoxes();
// The answer (IDOK, IDCANCEL, IDYES, ...) of the next box that has none scripted before it.
void AnswerNextMessageBox(int answer);

// While it lives, the desktop has these monitors (the first is the primary, at the origin);
// afterwards the default one again.
class MonitorScope {
public:
    explicit MonitorScope(std::vector<user32::MonitorLayout> monitors);
    ~MonitorScope();
    MonitorScope(const MonitorScope&) = delete;
    MonitorScope& operator=(const MonitorScope&) = delete;
};

// While it lives, the drive letters are these volumes alone, each with the size and free space
// given (GetLogicalDriveStringsA, GetDriveTypeA and GetDiskFreeSpaceExA see them as fixed
// drives); afterwards the mount table again.
struct SimulatedVolume {
    char letter; // upper case
    uint64_t total = 0;
    uint64_t total_free = 0;
    uint64_t free_to_caller = 0;
};
class SimulatedVolumesScope {
public:
    explicit SimulatedVolumesScope(std::vector<SimulatedVolume> volumes);
    ~SimulatedVolumesScope();
    SimulatedVolumesScope(const SimulatedVolumesScope&) = delete;
    SimulatedVolumesScope& operator=(const SimulatedVolumesScope&) = delete;
};

} // namespace platform::testing

namespace platform::testing {

// ---- Dialogs ---------------------------------------------------------------------------------

// What a control of a dialog shows, read as the user sees it.
struct DialogItem {
    bool exists = false;
    std::string class_name;           // "Button", "Edit", "ComboBox", "msctls_updown32", ...
    std::string text;                 // the window text (a drop-down list: its selected entry)
    UINT check = 0;                   // buttons: BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE
    int selection = -1;               // combo and list boxes: the selected entry, -1 for none
    std::vector<std::string> entries; // combo and list boxes
    int position = 0;                 // up-down controls
    bool enabled = false;
    bool visible = false;
};
DialogItem ReadDialogItem(HWND dialog, int id);

// What a user does in a dialog, one step at a time: each step is played when the dialog's loop
// has nothing left to do, so that what a step caused has happened before the next one. A step
// that a user could not take (no such control, a disabled one, an entry that is not there) is
// not taken and is recorded in the dialog's `errors`.
class DialogScript {
public:
    using Step = std::function<std::optional<std::string>(HWND dialog)>;
    // Clicks into an edit, selects its text and types this one over it, a character at a
    // time (EN_CHANGE for each; the edit's limit and ES_NUMBER hold as for a user); an empty
    // text deletes what was there.
    DialogScript& SetText(int id, std::string_view text);
    // Picks an entry of a combo box (CBN_SELCHANGE) or a list box (LBN_SELCHANGE), by
    // position or by its text (compared without regard to case).
    DialogScript& Pick(int id, int index);
    DialogScript& Pick(int id, std::string_view text);
    // Double-clicks an entry of a list box (LBN_DBLCLK).
    DialogScript& DoubleClickEntry(int id, int index);
    // Clicks a push button, check box or radio button (BN_CLICKED).
    DialogScript& Click(int id);
    // Clicks an up-down control's up or down arrow `times` times (UDN_DELTAPOS each time).
    DialogScript& UpDown(int id, bool up, int times = 1);
    // Keys pressed in the dialog (the focus control gets them), and its close box.
    DialogScript& PressEnter();
    DialogScript& PressEscape();
    DialogScript& PressKey(int vk);
    DialogScript& CloseBox();
    // Anything else, e.g. reading the controls for assertions.
    DialogScript& Do(std::function<void(HWND dialog)> action);
    DialogScript& Then(Step step);

    const std::vector<Step>& steps() const { return steps_; }

private:
    std::vector<Step> steps_;
};

// Plays the script in the next dialog whose template name (without regard to case) or caption
// is `name`; an empty name takes the next dialog of any name. Scripts are matched in the order
// queued. A modal dialog that no script answers, or that is still open when its script has run
// out and nothing else is due, is closed by its close box.
void AnswerNextDialog(std::string_view name, DialogScript script);

struct ShownDialog {
    HWND dialog = nullptr;
    std::optional<std::string> template_name;
    UINT template_id = 0;
    std::string caption;
    HWND owner = nullptr;
    LPARAM param = 0;
    bool modal = false;
    std::optional<INT_PTR> result; // what DialogBoxParamA returned, once it has
    bool scripted = false;
    std::vector<std::string> errors; // steps of the script that could not be taken
};
// Every dialog shown since the last ClearDialogs, in the order they appeared.
std::vector<ShownDialog> DialogsShown();
// Forgets the dialogs shown and the scripts not yet used.
void ClearDialogs();

// The pixels of a top-level window with its visible child windows over it (each child paints
// on a surface of its own), after painting what waits to be painted. As a window's DCs draw,
// pixel (0, 0) is the top-left pixel of the window's client area.
std::optional<gdi::Surface> ReadWindowPixels(HWND hwnd);

} // namespace platform::testing

#include "testing/shell_requests.h"
#include "testing/common_dialogs.h"
#include "testing/sheet.h"
