// The test desktop: what tests use to drive the layer and observe the program.
#pragma once

#include <windows.h>

#include "host/clock.h"
#include "user32/message_box.h"
#include "user32/monitors.h"

#include <memory>
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

} // namespace platform::testing
