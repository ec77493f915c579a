#include "testing/desktop.h"

#include "gdi32/objects.h"
#include "host/block_devices.h"
#include "host/root.h"
#include "kernel32/process.h"
#include "present/headless.h"
#include "present/picture.h"
#include "present/present.h"
#include "present/snapshot.h"
#include "comctl32/updown.h"
#include "user32/controls.h"
#include "user32/dialogs.h"
#include "user32/window_manager.h"

#include <commctrl.h>

#include <algorithm>
#include <deque>
#include <map>
#include <mutex>

namespace platform::testing {

namespace {

// The test desktop is headless whatever display the environment names.
const bool headless_presentation = [] {
    present::SetBackend(present::MakeHeadlessBackend());
    return true;
}();

} // namespace

ExitTrap::ExitTrap() {
    SetExitHandler([](UINT code) { throw ProcessExited{code}; });
}

ExitTrap::~ExitTrap() {
    SetExitHandler({});
}

FatalExitTrap::FatalExitTrap(std::function<void()> before_throw) {
    SetExitHandler([before_throw = std::move(before_throw)](UINT) {
        if (before_throw)
            before_throw();
        std::vector<user32::MessageBoxRecord> boxes = user32::ShownMessageBoxes();
        throw FatalExitCalled{boxes.empty() ? std::string() : boxes.back().text};
    });
}

FatalExitTrap::~FatalExitTrap() {
    SetExitHandler({});
}

ManualClockScope::ManualClockScope(uint64_t start_ms) : clock_(start_ms) {
    host::InstallClock(&clock_);
}

ManualClockScope::~ManualClockScope() {
    host::InstallClock(nullptr);
}

HostRootScope::HostRootScope(std::string_view root) : previous_(host::Root()) {
    host::SetRoot(root);
}

HostRootScope::~HostRootScope() {
    host::SetRoot(previous_);
}

std::array<uint8_t, 512> MakeIdentifySector(std::string_view model, std::string_view serial,
                                            std::string_view firmware) {
    host::Sector sector{};
    sector[0] = 0x40; // a fixed device
    host::PutAtaString(sector, 10, 10, serial);
    host::PutAtaString(sector, 23, 4, firmware);
    host::PutAtaString(sector, 27, 20, model);
    sector[510] = 0xA5;
    host::SetSectorChecksum(sector);
    return sector;
}

std::array<uint8_t, 512> MakeSmartSector(std::vector<std::pair<uint8_t, uint64_t>> attributes) {
    host::Sector sector{};
    sector[0] = 0x10;
    for (size_t i = 0; i < attributes.size() && i < 30; ++i) {
        uint8_t* entry = sector.data() + 2 + 12 * i;
        entry[0] = attributes[i].first;
        entry[1] = 0x22;
        entry[3] = 100;
        entry[4] = 100;
        for (int b = 0; b < 6; ++b)
            entry[5 + b] = uint8_t(attributes[i].second >> (8 * b));
    }
    host::SetSectorChecksum(sector);
    return sector;
}

SimulatedDrivesScope::SimulatedDrivesScope() {
    Install();
}

SimulatedDrivesScope::~SimulatedDrivesScope() {
    SetSimulatedDrives(std::nullopt);
}

void SimulatedDrivesScope::Add(unsigned n, const std::array<uint8_t, 512>& identify,
                               const std::array<uint8_t, 512>& smart) {
    SimulatedDrive drive;
    drive.identify = identify;
    drive.smart = smart;
    drives_[n] = drive;
    Install();
}

void SimulatedDrivesScope::AddUnopenable(unsigned n, DWORD error) {
    SimulatedDrive drive;
    drive.open_error = error;
    drives_[n] = drive;
    Install();
}

void SimulatedDrivesScope::AddFailing(unsigned n, DWORD error) {
    SimulatedDrive drive;
    drive.command_error = error;
    drives_[n] = drive;
    Install();
}

void SimulatedDrivesScope::Install() {
    SetSimulatedDrives(drives_);
}

std::optional<gdi::Surface> ReadPixels(HDC dc) {
    gdi::Surface* surface = gdi::SurfaceOf(dc);
    if (!surface)
        return std::nullopt;
    return *surface;
}

COLORREF PixelAt(const gdi::Surface& surface, int x, int y) {
    if (x < 0 || y < 0 || x >= surface.width || y >= surface.height)
        return CLR_INVALID;
    return gdi::ColorFromPixel(surface.pixels[static_cast<size_t>(y) * surface.width + x]);
}

bool SaveDCPng(HDC dc, const std::string& linux_path) {
    gdi::Surface* surface = gdi::SurfaceOf(dc);
    return surface && present::WriteSurfacePng(*surface, linux_path, 255, std::nullopt);
}

} // namespace platform::testing

namespace platform::testing {

namespace {

host::ManualClock* Manual() {
    return dynamic_cast<host::ManualClock*>(&host::CurrentClock());
}

struct MenuScript {
    std::mutex lock;
    std::deque<std::function<UINT(const ShownMenu&)>> answers;
    std::vector<ShownMenu> shown;
    unsigned last_serial = 0;
};

MenuScript& Script() {
    static MenuScript script;
    return script;
}

std::optional<UINT> AnswerMenu(const user32::MenuRequest& request) {
    std::function<UINT(const ShownMenu&)> answer;
    ShownMenu shown{request.menu, request.flags, POINT{request.x, request.y}, request.owner};
    {
        MenuScript& s = Script();
        std::lock_guard lock(s.lock);
        if (s.last_serial != request.serial) {
            s.last_serial = request.serial;
            s.shown.push_back(shown);
        }
        if (s.answers.empty())
            return std::nullopt;
        answer = std::move(s.answers.front());
        s.answers.pop_front();
    }
    return answer(shown);
}

void InstallMenuAnswerer() {
    user32::SetMenuAnswerer(AnswerMenu);
}

} // namespace

DesktopScope::DesktopScope(uint64_t start_ms) : clock_(start_ms) {
    user32::ResetDesktopForTests();
    ClearMenuAnswers();
    ClearDialogs();
}

DesktopScope::~DesktopScope() {
    user32::SetIdleHandler({});
    user32::ResetDesktopForTests();
    ClearMenuAnswers();
    ClearDialogs();
}

int RunUntilIdle() {
    int dispatched = 0;
    // A window that never validates its update area would be painted for ever.
    for (int guard = 0; guard < 100000; ++guard) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            break;
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ++dispatched;
    }
    return dispatched;
}

int RunFor(uint64_t milliseconds) {
    host::ManualClock* clock = Manual();
    if (!clock)
        return -1;
    uint64_t end = clock->Now() + milliseconds;
    int dispatched = 0;
    for (;;) {
        dispatched += RunUntilIdle();
        if (PendingQuit())
            break;
        std::optional<uint64_t> next = user32::NextTimerDue();
        if (next && *next <= end) {
            clock->Set(std::max(clock->Now(), *next));
            continue;
        }
        clock->Set(std::max(clock->Now(), end));
        dispatched += RunUntilIdle();
        break;
    }
    return dispatched;
}

std::optional<int> PendingQuit() {
    MSG msg;
    if (PeekMessageA(&msg, reinterpret_cast<HWND>(-1), WM_QUIT, WM_QUIT, PM_NOREMOVE) &&
        msg.message == WM_QUIT)
        return int(msg.wParam);
    return std::nullopt;
}

IdleScope::IdleScope(std::function<bool()> handler) {
    user32::SetIdleHandler(std::move(handler));
}

IdleScope::~IdleScope() {
    user32::SetIdleHandler({});
}

std::function<bool()> AdvanceTimersFor(uint64_t milliseconds, std::function<void()> at_end) {
    host::ManualClock* clock = Manual();
    uint64_t deadline = (clock ? clock->Now() : 0) + milliseconds;
    auto ended = std::make_shared<bool>(false);
    return [clock, deadline, ended, at_end]() {
        if (!clock || *ended)
            return false;
        std::optional<uint64_t> next = user32::NextTimerDue();
        if (next && *next <= deadline) {
            clock->Set(std::max(clock->Now(), *next));
            return true;
        }
        clock->Set(std::max(clock->Now(), deadline));
        *ended = true;
        if (at_end)
            at_end();
        return true;
    };
}

void AnswerNextMenu(UINT command) {
    AnswerNextMenuWith([command](const ShownMenu&) { return command; });
}

void CancelNextMenu() {
    AnswerNextMenu(0);
}

void AnswerNextMenuWith(std::function<UINT(const ShownMenu&)> answer) {
    InstallMenuAnswerer();
    MenuScript& s = Script();
    std::lock_guard lock(s.lock);
    s.answers.push_back(std::move(answer));
}

const std::vector<ShownMenu>& MenusShown() {
    return Script().shown;
}

void ClearMenuAnswers() {
    InstallMenuAnswerer();
    MenuScript& s = Script();
    std::lock_guard lock(s.lock);
    s.answers.clear();
    s.shown.clear();
}

struct MessageSpy::State {
    mutable std::mutex lock;
    std::vector<Entry> entries;
};

MessageSpy::MessageSpy() : state_(std::make_shared<State>()) {
    std::weak_ptr<State> weak = state_;
    cookie_ = user32::AddMessageObserver([weak](HWND hwnd, UINT message, WPARAM w, LPARAM l) {
        if (auto state = weak.lock()) {
            std::lock_guard lock(state->lock);
            state->entries.push_back(Entry{hwnd, message, w, l});
        }
    });
}

MessageSpy::~MessageSpy() {
    user32::RemoveMessageObserver(cookie_);
}

std::vector<MessageSpy::Entry> MessageSpy::Entries() const {
    std::lock_guard lock(state_->lock);
    return state_->entries;
}

std::vector<UINT> MessageSpy::MessagesOf(HWND hwnd) const {
    std::vector<UINT> messages;
    for (const Entry& e : Entries())
        if (e.hwnd == hwnd)
            messages.push_back(e.message);
    return messages;
}

std::vector<MessageSpy::Entry> MessageSpy::Of(HWND hwnd, UINT message) const {
    std::vector<Entry> found;
    for (const Entry& e : Entries())
        if (e.hwnd == hwnd && e.message == message)
            found.push_back(e);
    return found;
}

void MessageSpy::Clear() {
    std::lock_guard lock(state_->lock);
    state_->entries.clear();
}

void MouseMove(POINT at, UINT keys) {
    user32::InjectMouseMove(at, keys);
}

void LeftDown(POINT at, UINT keys) {
    user32::InjectMouseButton(user32::MouseButton::Left, true, at, keys);
}

void LeftUp(POINT at, UINT keys) {
    user32::InjectMouseButton(user32::MouseButton::Left, false, at, keys);
}

void LeftClick(POINT at, UINT keys) {
    LeftDown(at, keys);
    LeftUp(at, keys);
}

void DoubleClick(POINT at, UINT keys) {
    LeftClick(at, keys);
    LeftClick(at, keys);
}

void RightDown(POINT at, UINT keys) {
    user32::InjectMouseButton(user32::MouseButton::Right, true, at, keys);
}

void RightUp(POINT at, UINT keys) {
    user32::InjectMouseButton(user32::MouseButton::Right, false, at, keys);
}

void RightClick(POINT at, UINT keys) {
    RightDown(at, keys);
    RightUp(at, keys);
}

void TurnWheel(POINT at, int notches, UINT keys) {
    user32::InjectMouseWheel(at, notches * WHEEL_DELTA, keys);
}

void Drag(POINT from, POINT to, int steps, UINT keys) {
    steps = std::max(steps, 1);
    // The moves are fed one at a time as the queue runs dry, so that a move loop started by
    // the button-down sees the cursor where a user's hand would have it.
    auto actions = std::make_shared<std::deque<std::function<void()>>>();
    for (int i = 1; i <= steps; ++i) {
        POINT at{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps};
        actions->push_back([at, keys] { MouseMove(at, keys); });
    }
    actions->push_back([to, keys] { LeftUp(to, keys); });
    user32::IdleHandler previous = user32::SetIdleHandler([actions]() {
        if (actions->empty())
            return false;
        auto next = std::move(actions->front());
        actions->pop_front();
        next();
        return true;
    });
    LeftDown(from, keys);
    RunUntilIdle();
    while (!actions->empty()) {
        auto next = std::move(actions->front());
        actions->pop_front();
        next();
        RunUntilIdle();
    }
    user32::SetIdleHandler(std::move(previous));
}

void KeyDown(int vk) {
    user32::InjectKey(vk, true);
}

void KeyUp(int vk) {
    user32::InjectKey(vk, false);
}

void PressKey(int vk) {
    KeyDown(vk);
    KeyUp(vk);
}

void SetKeyDown(int vk, bool down) {
    user32::SetKeyStateNow(vk, down);
}

std::vector<user32::MessageBoxRecord> MessageBoxesShown() {
    return user32::ShownMessageBoxes();
}

void ClearMessageBoxes() {
    user32::ClearShownMessageBoxes();
    user32::ClearMessageBoxAnswers();
}

void AnswerNextMessageBox(int answer) {
    user32::QueueMessageBoxAnswer(answer);
}

MonitorScope::MonitorScope(std::vector<user32::MonitorLayout> monitors) {
    user32::SetMonitors(std::move(monitors));
}

MonitorScope::~MonitorScope() {
    user32::SetMonitors({});
}

SimulatedVolumesScope::SimulatedVolumesScope(std::vector<SimulatedVolume> volumes) {
    // Each volume is a directory of its own that nothing else uses.
    std::vector<host::DriveMapping> map;
    std::map<std::string, host::DiskSpace> spaces;
    for (const SimulatedVolume& volume : volumes) {
        std::string root = std::string("/pelmora-simulated-volume-") + volume.letter;
        map.push_back({volume.letter, root});
        spaces[root] = {volume.free_to_caller, volume.total, volume.total_free};
    }
    host::SetDriveMapProvider([map] { return map; });
    host::SetDiskSpaceProvider(
        [spaces](const std::string& directory) -> std::optional<host::DiskSpace> {
            for (const auto& [root, space] : spaces) {
                if (directory == root || directory.starts_with(root + "/"))
                    return space;
            }
            return std::nullopt;
        });
}

SimulatedVolumesScope::~SimulatedVolumesScope() {
    host::SetDiskSpaceProvider({});
    host::SetDriveMapProvider(host::MountedDriveMap);
}

} // namespace platform::testing

namespace platform::testing {

namespace {

std::string ClassNameOf(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

bool SameText(std::string_view a, std::string_view b) {
    return user32::CompareNoCase(a, b) == 0;
}

std::vector<std::string> EntriesOf(HWND hwnd, bool combo) {
    std::vector<std::string> entries;
    LRESULT count = SendMessageA(hwnd, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageA(hwnd, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, WPARAM(i), 0);
        std::string text(size_t(std::max<LRESULT>(length, 0)) + 1, '\0');
        if (length >= 0)
            SendMessageA(hwnd, combo ? CB_GETLBTEXT : LB_GETTEXT, WPARAM(i), LPARAM(text.data()));
        text.resize(size_t(std::max<LRESULT>(length, 0)));
        entries.push_back(std::move(text));
    }
    return entries;
}

// The control a user can reach: it exists, is shown and is enabled (as is its dialog).
std::optional<std::string> Reachable(HWND dialog, int id, HWND& control) {
    control = ScriptControl(dialog, id);
    if (!control)
        return "no control " + std::to_string(id);
    if (!IsWindowVisible(control))
        return "control " + std::to_string(id) + " is hidden";
    if (!IsWindowEnabled(control) || !IsWindowEnabled(dialog))
        return "control " + std::to_string(id) + " is disabled";
    return std::nullopt;
}

struct RunningDialog {
    size_t shown = 0; // index into DialogState::shown
    std::optional<DialogScript> script;
    size_t next_step = 0;
};

struct DialogState {
    std::mutex lock;
    std::deque<std::pair<std::string, DialogScript>> answers;
    std::vector<ShownDialog> shown;
    std::map<unsigned, RunningDialog> running;
};

DialogState& Dialogs() {
    static DialogState state;
    return state;
}

void DialogShown(const user32::DialogRequest& request) {
    DialogState& d = Dialogs();
    std::lock_guard lock(d.lock);
    ShownDialog record;
    record.dialog = request.dialog;
    record.template_name = request.template_name;
    record.template_id = request.template_id;
    record.caption = request.caption;
    record.owner = request.owner;
    record.param = request.param;
    record.modal = request.modal;
    RunningDialog running;
    running.shown = d.shown.size();
    for (auto it = d.answers.begin(); it != d.answers.end(); ++it) {
        const std::string& name = it->first;
        if (name.empty() || (request.template_name && SameText(*request.template_name, name)) ||
            request.caption == name) {
            running.script = std::move(it->second);
            d.answers.erase(it);
            record.scripted = true;
            break;
        }
    }
    d.shown.push_back(std::move(record));
    d.running[request.serial] = std::move(running);
}

bool DialogIdle(const user32::DialogRequest& request) {
    DialogScript::Step step;
    size_t index = 0;
    {
        DialogState& d = Dialogs();
        std::lock_guard lock(d.lock);
        auto it = d.running.find(request.serial);
        if (it == d.running.end() || !it->second.script ||
            it->second.next_step >= it->second.script->steps().size())
            return false;
        step = it->second.script->steps()[it->second.next_step++];
        index = it->second.shown;
    }
    // The step runs without the lock: it may open a dialog of its own.
    std::optional<std::string> error = step(request.dialog);
    if (error) {
        DialogState& d = Dialogs();
        std::lock_guard lock(d.lock);
        if (index < d.shown.size())
            d.shown[index].errors.push_back(std::move(*error));
    }
    return true;
}

void DialogEnded(const user32::DialogRequest& request, INT_PTR result) {
    DialogState& d = Dialogs();
    std::lock_guard lock(d.lock);
    auto it = d.running.find(request.serial);
    if (it == d.running.end())
        return;
    if (it->second.shown < d.shown.size())
        d.shown[it->second.shown].result = result;
    d.running.erase(it);
}

void InstallDialogHooks() {
    user32::SetDialogHooks({DialogIdle, DialogShown, DialogEnded});
}

void PaintPending(HWND hwnd) {
    UpdateWindow(hwnd);
    std::vector<HWND> children;
    if (auto w = user32::FindWindowRecord(hwnd)) {
        std::lock_guard lock(user32::DesktopLock());
        children = w->children;
    }
    for (HWND child : children)
        PaintPending(child);
}

} // namespace

DialogItem ReadDialogItem(HWND dialog, int id) {
    DialogItem item;
    HWND control = ScriptControl(dialog, id);
    if (!control)
        return item;
    item.exists = true;
    item.class_name = ClassNameOf(control);
    item.text = user32::WholeText(control);
    item.enabled = IsWindowEnabled(control) != FALSE;
    item.visible = IsWindowVisible(control) != FALSE;
    if (SameText(item.class_name, "Button")) {
        item.check = UINT(SendMessageA(control, BM_GETCHECK, 0, 0));
    } else if (SameText(item.class_name, "ComboBox") || SameText(item.class_name, "ListBox")) {
        bool combo = SameText(item.class_name, "ComboBox");
        item.selection = int(SendMessageA(control, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
        item.entries = EntriesOf(control, combo);
    } else if (SameText(item.class_name, UPDOWN_CLASS)) {
        item.position = int(SendMessageA(control, UDM_GETPOS32, 0, 0));
    }
    return item;
}

DialogScript& DialogScript::SetText(int id, std::string_view text) {
    return Then([id, text = std::string(text)](HWND dialog) -> std::optional<std::string> {
        HWND control;
        if (auto error = Reachable(dialog, id, control))
            return error;
        SetFocus(control);
        SendMessageA(control, EM_SETSEL, 0, -1);
        if (text.empty())
            SendMessageA(control, WM_CHAR, VK_BACK, 0);
        // Typed a byte at a time: a double-byte character arrives as its two bytes.
        for (char c : text)
            SendMessageA(control, WM_CHAR, WPARAM(uint8_t(c)), 0);
        return std::nullopt;
    });
}

DialogScript& DialogScript::Pick(int id, int index) {
    return Then([id, index](HWND dialog) -> std::optional<std::string> {
        HWND control;
        if (auto error = Reachable(dialog, id, control))
            return error;
        bool combo = SameText(ClassNameOf(control), "ComboBox");
        bool ok = combo ? user32::ComboPickByUser(control, index)
                        : user32::ListPickByUser(control, index, false);
        if (!ok)
            return "control " + std::to_string(id) + " has no entry " + std::to_string(index);
        return std::nullopt;
    });
}

DialogScript& DialogScript::Pick(int id, std::string_view text) {
    return Then([id, text = std::string(text)](HWND dialog) -> std::optional<std::string> {
        HWND control;
        if (auto error = Reachable(dialog, id, control))
            return error;
        bool combo = SameText(ClassNameOf(control), "ComboBox");
        int index = int(SendMessageA(control, combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT,
                                     WPARAM(-1), LPARAM(text.c_str())));
        bool ok = index >= 0 && (combo ? user32::ComboPickByUser(control, index)
                                       : user32::ListPickByUser(control, index, false));
        if (!ok)
            return "control " + std::to_string(id) + " has no entry \"" + text + "\"";
        return std::nullopt;
    });
}

DialogScript& DialogScript::DoubleClickEntry(int id, int index) {
    return Then([id, index](HWND dialog) -> std::optional<std::string> {
        HWND control;
        if (auto error = Reachable(dialog, id, control))
            return error;
        if (!user32::ListPickByUser(control, index, true))
            return "control " + std::to_string(id) + " has no entry " + std::to_string(index);
        return std::nullopt;
    });
}

DialogScript& DialogScript::Click(int id) {
    return Then([id](HWND dialog) -> std::optional<std::string> {
        HWND control;
        if (auto error = Reachable(dialog, id, control))
            return error;
        if (!SameText(ClassNameOf(control), "Button"))
            return "control " + std::to_string(id) + " is no button";
        SendMessageA(control, BM_CLICK, 0, 0);
        return std::nullopt;
    });
}

DialogScript& DialogScript::UpDown(int id, bool up, int times) {
    for (int i = 0; i < times; ++i)
        Then([id, up](HWND dialog) -> std::optional<std::string> {
            HWND control;
            if (auto error = Reachable(dialog, id, control))
                return error;
            if (!comctl32::UpDownPressByUser(control, up))
                return "control " + std::to_string(id) + " is no up-down control";
            return std::nullopt;
        });
    return *this;
}

DialogScript& DialogScript::PressEnter() {
    return PressKey(VK_RETURN);
}

DialogScript& DialogScript::PressEscape() {
    return PressKey(VK_ESCAPE);
}

DialogScript& DialogScript::PressKey(int vk) {
    return Then([vk](HWND dialog) -> std::optional<std::string> {
        ActivateDialog(dialog);
        user32::InjectKey(vk, true);
        user32::InjectKey(vk, false);
        return std::nullopt;
    });
}

DialogScript& DialogScript::CloseBox() {
    return Then([](HWND dialog) -> std::optional<std::string> {
        if ((GetWindowLongPtrA(dialog, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU)) !=
            (WS_CAPTION | WS_SYSMENU))
            return std::string("the dialog has no close box");
        SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        return std::nullopt;
    });
}

DialogScript& DialogScript::Do(std::function<void(HWND dialog)> action) {
    return Then([action = std::move(action)](HWND dialog) -> std::optional<std::string> {
        action(dialog);
        return std::nullopt;
    });
}

DialogScript& DialogScript::Then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
}

void AnswerNextDialog(std::string_view name, DialogScript script) {
    InstallDialogHooks();
    DialogState& d = Dialogs();
    std::lock_guard lock(d.lock);
    d.answers.emplace_back(std::string(name), std::move(script));
}

std::vector<ShownDialog> DialogsShown() {
    DialogState& d = Dialogs();
    std::lock_guard lock(d.lock);
    return d.shown;
}

void ClearDialogs() {
    InstallDialogHooks();
    DialogState& d = Dialogs();
    std::lock_guard lock(d.lock);
    d.answers.clear();
    d.shown.clear();
    d.running.clear();
}

std::optional<gdi::Surface> ReadWindowPixels(HWND hwnd) {
    HWND top = user32::TopLevelOf(hwnd);
    if (!top)
        return std::nullopt;
    PaintPending(top);
    gdi::Surface out;
    POINT origin;
    {
        auto w = user32::FindWindowRecord(top);
        if (!w)
            return std::nullopt;
        std::lock_guard lock(user32::DesktopLock());
        if (!w->surface)
            return std::nullopt;
        out = *w->surface;
        origin = user32::ClientOriginOnScreen(*w);
    }
    present::ComposeChildren(out, top, origin);
    return out;
}

} // namespace platform::testing
