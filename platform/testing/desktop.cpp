#include "testing/desktop.h"

#include "kernel32/process.h"

namespace platform::testing {

ExitTrap::ExitTrap() {
    SetExitHandler([](UINT code) { throw ProcessExited{code}; });
}

ExitTrap::~ExitTrap() {
    SetExitHandler({});
}

ManualClockScope::ManualClockScope(uint64_t start_ms) : clock_(start_ms) {
    host::InstallClock(&clock_);
}

ManualClockScope::~ManualClockScope() {
    host::InstallClock(nullptr);
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

} // namespace platform::testing
