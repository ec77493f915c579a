#include "test_window.h"

#include <vector>

namespace {

using platform::testing::RunFor;
using platform::testing::RunUntilIdle;
using user32_test::CurrentHandler;
using user32_test::WindowTest;

class TimerTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        w_ = Popup(0, 0, 10, 10);
        RunUntilIdle();
        start_ = desktop_.clock().Now();
        CurrentHandler() = [this](HWND, UINT m, WPARAM id, LPARAM) -> std::optional<LRESULT> {
            if (m == WM_TIMER)
                fired_.push_back({id, GetTickCount64() - start_});
            return std::nullopt;
        };
    }
    HWND w_ = nullptr;
    uint64_t start_ = 0;
    std::vector<std::pair<WPARAM, uint64_t>> fired_; // id, ms after the start
};

TEST_F(TimerTest, FiresEveryPeriodOfTheClockUntilKilled) {
    ASSERT_EQ(SetTimer(w_, 1, 1000, nullptr), 1u);
    ASSERT_NE(SetTimer(w_, 2, 100, nullptr), 0u);
    RunFor(1000);
    EXPECT_EQ(fired_.size(), 11u);
    std::vector<uint64_t> slow;
    for (auto [id, at] : fired_)
        if (id == 1)
            slow.push_back(at);
    EXPECT_EQ(slow, (std::vector<uint64_t>{1000}));
    EXPECT_TRUE(KillTimer(w_, 2));
    fired_.clear();
    RunFor(3000);
    EXPECT_EQ(fired_, (std::vector<std::pair<WPARAM, uint64_t>>{{1, 2000}, {1, 3000}, {1, 4000}}));
    EXPECT_TRUE(KillTimer(w_, 1));
    EXPECT_FALSE(KillTimer(w_, 1));
    fired_.clear();
    RunFor(5000);
    EXPECT_TRUE(fired_.empty());
}

TEST_F(TimerTest, SettingAnIdentifierAgainRestartsItsPeriod) {
    SetTimer(w_, 1, 1000, nullptr);
    desktop_.clock().Advance(900);
    SetTimer(w_, 1, 1000, nullptr);
    RunFor(1000);
    ASSERT_EQ(fired_.size(), 1u);
    EXPECT_EQ(fired_[0].second, 1900u);
}

TEST_F(TimerTest, MissedPeriodsGiveOneMessage) {
    SetTimer(w_, 1, 100, nullptr);
    desktop_.clock().Advance(1050);
    RunUntilIdle();
    EXPECT_EQ(fired_.size(), 1u);
    // The next period starts when the message was taken.
    fired_.clear();
    RunFor(100);
    ASSERT_EQ(fired_.size(), 1u);
    EXPECT_EQ(fired_[0].second, 1150u);
}

TEST_F(TimerTest, ShortPeriodsAreRaisedToTheMinimum) {
    SetTimer(w_, 1, 0, nullptr);
    RunFor(9);
    EXPECT_TRUE(fired_.empty());
    RunFor(1);
    EXPECT_EQ(fired_.size(), 1u);
}

TEST_F(TimerTest, TimersEndWithTheirWindow) {
    SetTimer(w_, 1, 100, nullptr);
    DestroyWindow(w_);
    RunFor(1000);
    EXPECT_TRUE(fired_.empty());
    EXPECT_FALSE(KillTimer(w_, 1));
    EXPECT_EQ(SetTimer(w_, 1, 100, nullptr), 0u);
}

} // namespace
