// The layer's one clock. GetTickCount, GetLocalTime, Sleep, timers and every wait read it, so
// that tests can install a manual clock and run fades and intervals instantly and exactly.
#pragma once

#include <cstdint>
#include <ctime>
#include <vector>

namespace platform::host {

struct WallTime {
    int year, month, day, day_of_week, hour, minute, second, millisecond;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since the machine booted; monotonic.
    virtual uint64_t Now() = 0;
    // The local wall-clock time.
    virtual WallTime Local() = 0;
    // The UTC wall-clock time.
    virtual WallTime Utc() = 0;
    // Blocks the calling thread (the real clock) or moves time on (a manual clock).
    virtual void Sleep(uint32_t milliseconds) = 0;
    // True for a clock that only moves when told to; waits must not block on it.
    virtual bool IsManual() const = 0;
};

// The clock in force: the machine's own unless a test installed another.
Clock& CurrentClock();
// Installs a clock (not owned); nullptr puts the machine's clock back.
void InstallClock(Clock* clock);

// A clock that moves only when told to. Sleep advances it by the time asked for.
class ManualClock final : public Clock {
public:
    // Starts at the given boot-relative time and the given local wall time.
    explicit ManualClock(uint64_t start_ms = 1'000'000,
                         WallTime local = {2026, 12, 10, 4, 9, 30, 0, 0});
    uint64_t Now() override { return now_; }
    WallTime Local() override;
    WallTime Utc() override { return Local(); }
    void Sleep(uint32_t milliseconds) override;
    bool IsManual() const override { return true; }

    void Advance(uint64_t milliseconds) { now_ += milliseconds; }
    void Set(uint64_t now_ms) { now_ = now_ms; }
    void SetLocal(WallTime local);
    // Every Sleep call in order, for tests of fades and waits.
    const auto& Sleeps() const { return sleeps_; }
    void ClearSleeps() { sleeps_.clear(); }

private:
    uint64_t now_;
    uint64_t local_base_ms_;  // boot-relative time at which local_ was set
    std::time_t local_epoch_; // local_ as seconds of a UTC-free calendar
    int local_millis_;
    std::vector<uint32_t> sleeps_;
};

// Converts between a calendar time and seconds since 1970 without any time-zone offset.
std::time_t CalendarToSeconds(const WallTime& t);
WallTime SecondsToCalendar(std::time_t seconds, int millisecond);

} // namespace platform::host
