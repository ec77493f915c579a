#include "testing/desktop.h"

#include "user32/message_box.h"

namespace platform::testing {

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
} // namespace platform::testing
