// The system's clock as a plug-in reads it: the time in UTC, beside the local time.
#include <windows.h>

#include <gtest/gtest.h>

#include <ctime>

namespace {

std::time_t SecondsOf(const SYSTEMTIME& t) {
    std::tm calendar{};
    calendar.tm_year = t.wYear - 1900;
    calendar.tm_mon = t.wMonth - 1;
    calendar.tm_mday = t.wDay;
    calendar.tm_hour = t.wHour;
    calendar.tm_min = t.wMinute;
    calendar.tm_sec = t.wSecond;
    return timegm(&calendar);
}

TEST(SystemTime, IsTheCurrentTimeInUtc) {
    const std::time_t before = std::time(nullptr);
    SYSTEMTIME now{};
    GetSystemTime(&now);
    const std::time_t after = std::time(nullptr);
    EXPECT_GE(SecondsOf(now), before);
    EXPECT_LE(SecondsOf(now), after);
    EXPECT_LT(now.wMilliseconds, 1000);
    // The day of the week counts from Sunday, 0.
    std::tm calendar{};
    const std::time_t seconds = SecondsOf(now);
    gmtime_r(&seconds, &calendar);
    EXPECT_EQ(now.wDayOfWeek, calendar.tm_wday);
    GetSystemTime(nullptr); // no record: nothing is written
}

} // namespace
