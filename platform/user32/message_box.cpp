// MessageBoxA without a screen: the box is recorded, written to standard error and answered
// with its default button or an answer the test desktop queued.
#include "user32/message_box.h"

#include "host/codepage.h"

#include <cstdio>
#include <deque>
#include <mutex>

namespace platform::user32 {

namespace {

std::mutex box_mutex;
std::vector<MessageBoxRecord> shown;
std::deque<int> answers;

// The buttons of each MB_ type, left to right.
std::vector<int> Buttons(UINT type) {
    switch (type) {
    case MB_OK:
        return {IDOK};
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE:
        return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default:
        return {};
    }
}

} // namespace

std::vector<MessageBoxRecord> ShownMessageBoxes() {
    std::lock_guard lock(box_mutex);
    return shown;
}

void ClearShownMessageBoxes() {
    std::lock_guard lock(box_mutex);
    shown.clear();
}

void QueueMessageBoxAnswer(int answer) {
    std::lock_guard lock(box_mutex);
    answers.push_back(answer);
}

void ClearMessageBoxAnswers() {
    std::lock_guard lock(box_mutex);
    answers.clear();
}

std::function<void(const MessageBoxRecord&)>& Observer() {
    static std::function<void(const MessageBoxRecord&)> observer;
    return observer;
}

void SetMessageBoxObserver(std::function<void(const MessageBoxRecord&)> observer) {
    Observer() = std::move(observer);
}

} // namespace platform::user32

using namespace platform;

PELMORA_BEGIN_EXTERN_C

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    const std::vector<int> buttons = user32::Buttons(uType & MB_TYPEMASK);
    if (buttons.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    user32::MessageBoxRecord record{hWnd, lpText ? lpText : "", lpCaption ? lpCaption : "Error",
                                    uType};
    std::fprintf(stderr, "[message box] %s: %s\n", host::AnsiToUtf8(record.caption).c_str(),
                 host::AnsiToUtf8(record.text).c_str());
    // A default button past the box's buttons falls back to the first, as the system does.
    const size_t default_button = (uType & MB_DEFMASK) >> 8;
    int answer = buttons[default_button < buttons.size() ? default_button : 0];
    if (user32::Observer())
        user32::Observer()(record);
    {
        std::lock_guard lock(user32::box_mutex);
        user32::shown.push_back(std::move(record));
        if (!user32::answers.empty()) {
            answer = user32::answers.front();
            user32::answers.pop_front();
        }
    }
    return answer;
}

PELMORA_END_EXTERN_C
