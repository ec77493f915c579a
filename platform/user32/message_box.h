// Message boxes on the headless desktop: each box is recorded and answered at once.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace platform::user32 {

struct MessageBoxRecord {
    HWND owner = nullptr;
    std::string text;    // ANSI, as the caller passed it
    std::string caption; // ANSI; "Error" when the caller passed none
    UINT style = 0;
};

// The boxes shown so far, oldest first.
std::vector<MessageBoxRecord> ShownMessageBoxes();
void ClearShownMessageBoxes();
// Answers given to the next boxes, in order, in place of each box's default button.
void QueueMessageBoxAnswer(int answer);
void ClearMessageBoxAnswers();
// Called with each box as it is shown, before it is answered (tests that need the moment of a
// box among other events); an empty function removes it.
void SetMessageBoxObserver(std::function<void(const MessageBoxRecord&)> observer);

} // namespace platform::user32
