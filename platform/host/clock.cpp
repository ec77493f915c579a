#include "host/clock.h"

#include <cerrno>
#include <ctime>

namespace platform::host {

namespace {

WallTime FromTm(const std::tm& tm, int millisecond) {
    return WallTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday,
                    tm.tm_hour,        tm.tm_min,     tm.tm_sec,  millisecond};
}

class MachineClock final : public Clock {
public:
    uint64_t Now() override {
        timespec ts{};
        clock_gettime(CLOCK_BOOTTIME, &ts);
        return uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1'000'000;
    }
    WallTime Local() override { return Wall(false); }
    WallTime Utc() override { return Wall(true); }
    void Sleep(uint32_t milliseconds) override {
        timespec ts{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1'000'000};
        while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
        }
    }
    bool IsManual() const override { return false; }

private:
    static WallTime Wall(bool utc) {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        std::tm tm{};
        if (utc)
            gmtime_r(&ts.tv_sec, &tm);
        else
            localtime_r(&ts.tv_sec, &tm);
        return FromTm(tm, int(ts.tv_nsec / 1'000'000));
    }
};

MachineClock machine_clock;
Clock* current_clock = nullptr;

} // namespace

Clock& CurrentClock() {
    return current_clock ? *current_clock : machine_clock;
}

void InstallClock(Clock* clock) {
    current_clock = clock;
}

std::time_t CalendarToSeconds(const WallTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    return timegm(&tm);
}

WallTime SecondsToCalendar(std::time_t seconds, int millisecond) {
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    return FromTm(tm, millisecond);
}

ManualClock::ManualClock(uint64_t start_ms, WallTime local) : now_(start_ms) {
    SetLocal(local);
}

void ManualClock::SetLocal(WallTime local) {
    local_base_ms_ = now_;
    local_epoch_ = CalendarToSeconds(local);
    local_millis_ = local.millisecond;
}

WallTime ManualClock::Local() {
    uint64_t elapsed = now_ - local_base_ms_ + uint64_t(local_millis_);
    return SecondsToCalendar(local_epoch_ + std::time_t(elapsed / 1000), int(elapsed % 1000));
}

void ManualClock::Sleep(uint32_t milliseconds) {
    sleeps_.push_back(milliseconds);
    now_ += milliseconds;
}

} // namespace platform::host
