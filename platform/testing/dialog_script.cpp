// Dialogs answered by scripts of user steps, and what each dialog shown did.
#include "testing/desktop.h"

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
} // namespace platform::testing
