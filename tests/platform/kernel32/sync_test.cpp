#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

DWORD WINAPI ReturnParameter(LPVOID parameter) {
    return DWORD(reinterpret_cast<uintptr_t>(parameter));
}

TEST(Threads, AThreadHandleIsSignalledWhenItsRoutineReturns) {
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID event) -> DWORD {
            WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
            return 42;
        },
        release, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, GetCurrentThreadId());
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, DWORD(STILL_ACTIVE));
    EXPECT_EQ(WaitForSingleObject(thread, 0), DWORD(WAIT_TIMEOUT));
    SetEvent(release);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), DWORD(WAIT_OBJECT_0));
    // A thread that has ended stays signalled.
    EXPECT_EQ(WaitForSingleObject(thread, 0), DWORD(WAIT_OBJECT_0));
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    CloseHandle(thread);
    CloseHandle(release);

    EXPECT_EQ(CreateThread(nullptr, 0, ReturnParameter, nullptr, 4 /* suspended */, nullptr),
              nullptr);
}

TEST(Events, AnAutoResetEventReleasesOneWaitAManualOneEvery) {
    struct Case {
        BOOL manual;
        DWORD second_wait;
    } cases[] = {{FALSE, WAIT_TIMEOUT}, {TRUE, WAIT_OBJECT_0}};
    for (const Case& c : cases) {
        HANDLE event = CreateEventA(nullptr, c.manual, TRUE, nullptr);
        ASSERT_NE(event, nullptr);
        EXPECT_EQ(WaitForSingleObject(event, 0), DWORD(WAIT_OBJECT_0)) << c.manual;
        EXPECT_EQ(WaitForSingleObject(event, 0), c.second_wait) << c.manual;
        ResetEvent(event);
        EXPECT_EQ(WaitForSingleObject(event, 10), DWORD(WAIT_TIMEOUT)) << c.manual;
        CloseHandle(event);
    }
    EXPECT_EQ(CreateEventA(nullptr, TRUE, FALSE, "Named"), nullptr);
}

TEST(Waits, ManyObjectsAnyOrAll) {
    HANDLE events[3];
    for (HANDLE& e : events)
        e = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), DWORD(WAIT_TIMEOUT));
    SetEvent(events[2]);
    SetEvent(events[1]);
    // The lowest signalled index wins.
    EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(3, events, TRUE, 0), DWORD(WAIT_TIMEOUT));
    // Set from another thread while this one waits for all.
    std::thread setter([&] { SetEvent(events[0]); });
    EXPECT_EQ(WaitForMultipleObjects(3, events, TRUE, 5000), DWORD(WAIT_OBJECT_0));
    setter.join();
    HANDLE bad[] = {events[0], reinterpret_cast<HANDLE>(0x7FFC)};
    EXPECT_EQ(WaitForMultipleObjects(2, bad, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForMultipleObjects(0, events, FALSE, 0), WAIT_FAILED);
    for (HANDLE e : events)
        CloseHandle(e);
}

TEST(CriticalSections, KeepThreadsOutAndLetTheOwnerBackIn) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs); // the owner enters again
    std::atomic<int> other_entered{-1};
    std::thread([&] { other_entered = TryEnterCriticalSection(&cs); }).join();
    EXPECT_EQ(other_entered, FALSE);
    LeaveCriticalSection(&cs);
    std::thread([&] { other_entered = TryEnterCriticalSection(&cs); }).join();
    EXPECT_EQ(other_entered, FALSE);
    LeaveCriticalSection(&cs);

    long counter = 0;
    std::thread threads[4];
    for (auto& t : threads)
        t = std::thread([&] {
            for (int i = 0; i < 10000; ++i) {
                EnterCriticalSection(&cs);
                long seen = counter;
                counter = seen + 1;
                LeaveCriticalSection(&cs);
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(counter, 40000);
    DeleteCriticalSection(&cs);
}

} // namespace
