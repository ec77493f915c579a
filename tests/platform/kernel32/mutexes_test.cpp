// Mutexes: owned by a thread and counted, one by name in every process that uses the layer, and
// handed on as abandoned when their owner ends.
#include "object_files.h"
#include "peer_process.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using peer::PeerProcess;

// Each test program has its own namespace of names, so runs side by side never meet.
class Mutexes : public ::testing::Test {
protected:
    Mutexes() { setenv("PELMORA_PLATFORM_SECTIONS", space_.c_str(), 1); }
    ~Mutexes() override { unsetenv("PELMORA_PLATFORM_SECTIONS"); }
    // Every handle closed and every other program ended: nothing of the test is left on disk.
    void TearDown() override {
        EXPECT_EQ(object_files::OfNamespace(space_), std::set<std::string>{});
    }

    const std::string space_ = "mutexes-test-" + std::to_string(getpid());
};

// What another thread's wait for the mutex gives at once.
DWORD WaitElsewhere(HANDLE mutex, bool release_after = true) {
    DWORD result = WAIT_FAILED;
    std::thread([&] {
        result = WaitForSingleObject(mutex, 0);
        if (release_after && (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0))
            ReleaseMutex(mutex);
    }).join();
    return result;
}

TEST_F(Mutexes, OwnedByOneThreadAsOftenAsItWasTaken) {
    for (const char* name : {static_cast<const char*>(nullptr), "Owned"}) {
        SCOPED_TRACE(name ? name : "unnamed");
        HANDLE mutex = CreateMutexA(nullptr, TRUE, name);
        ASSERT_NE(mutex, nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
        EXPECT_EQ(WaitForSingleObject(mutex, 0), DWORD(WAIT_OBJECT_0)); // the owner again
        EXPECT_EQ(WaitElsewhere(mutex), DWORD(WAIT_TIMEOUT));
        BOOL released = TRUE;
        std::thread([&] { released = ReleaseMutex(mutex); }).join();
        EXPECT_FALSE(released);
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_EQ(WaitElsewhere(mutex), DWORD(WAIT_TIMEOUT)); // taken twice, released once
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_EQ(WaitElsewhere(mutex), DWORD(WAIT_OBJECT_0));
        SetLastError(0);
        EXPECT_FALSE(ReleaseMutex(mutex));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_OWNER));
        CloseHandle(mutex);
    }

    long counter = 0;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                WaitForSingleObject(mutex, INFINITE);
                long seen = counter;
                std::this_thread::yield();
                counter = seen + 1;
                ReleaseMutex(mutex);
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(counter, 8000);
    CloseHandle(mutex);
}

TEST_F(Mutexes, ASecondCreateOpensTheMutexWithoutTakingIt) {
    HANDLE first = CreateMutexA(nullptr, TRUE, "Twice");
    ASSERT_NE(first, nullptr);
    HANDLE second = nullptr;
    DWORD error = 0, wait = 0;
    std::thread([&] {
        second = CreateMutexA(nullptr, TRUE, "Twice");
        error = GetLastError();
        wait = WaitForSingleObject(second, 0);
    }).join();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(error, DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(wait, DWORD(WAIT_TIMEOUT)); // the first creator still owns it
    HANDLE opened = OpenMutexA(SYNCHRONIZE, FALSE, "Twice");
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(ReleaseMutex(opened)); // one mutex, whichever handle
    EXPECT_EQ(WaitElsewhere(second), DWORD(WAIT_OBJECT_0));
    for (HANDLE h : {first, second, opened})
        CloseHandle(h);
    // All handles closed: the name is free again.
    HANDLE again = CreateMutexA(nullptr, FALSE, "Twice");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    CloseHandle(again);
}

TEST_F(Mutexes, RefusesWhatItCannotGive) {
    HANDLE section =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, "A section");
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "A mutex");
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(section, nullptr);
    ASSERT_NE(mutex, nullptr);
    struct Case {
        const char* what;
        HANDLE result;
        DWORD error;
    };
    SetLastError(0);
    std::vector<Case> cases;
    auto add = [&](const char* what, HANDLE result) {
        cases.push_back({what, result, GetLastError()});
    };
    add("a mutex by a section's name", CreateMutexA(nullptr, FALSE, "A section"));
    add("a section by a mutex's name",
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, "A mutex"));
    add("opening a section as a mutex", OpenMutexA(SYNCHRONIZE, FALSE, "A section"));
    add("opening a mutex as a section", OpenFileMappingA(FILE_MAP_WRITE, FALSE, "A mutex"));
    add("opening a mutex nobody holds", OpenMutexA(SYNCHRONIZE, FALSE, "Nobody"));
    add("opening a mutex without a name", OpenMutexA(SYNCHRONIZE, FALSE, nullptr));
    const DWORD expected[] = {ERROR_INVALID_HANDLE, ERROR_INVALID_HANDLE, ERROR_INVALID_HANDLE,
                              ERROR_INVALID_HANDLE, ERROR_FILE_NOT_FOUND, ERROR_INVALID_PARAMETER};
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(cases[i].result, nullptr) << cases[i].what;
        EXPECT_EQ(cases[i].error, expected[i]) << cases[i].what;
    }
    SetLastError(0);
    EXPECT_FALSE(ReleaseMutex(event));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    for (HANDLE h : {section, mutex, event})
        CloseHandle(h);
}

TEST_F(Mutexes, AWaitForAllTakesNothingUntilItCanTakeEverything) {
    HANDLE objects[] = {CreateEventA(nullptr, FALSE, TRUE, nullptr),
                        CreateMutexA(nullptr, FALSE, "All")};
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE taken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread owner([&] {
        WaitForSingleObject(objects[1], INFINITE);
        SetEvent(taken);
        WaitForSingleObject(release, INFINITE);
        ReleaseMutex(objects[1]);
    });
    WaitForSingleObject(taken, INFINITE);
    EXPECT_EQ(WaitForMultipleObjects(2, objects, TRUE, 20), DWORD(WAIT_TIMEOUT));
    // The auto-reset event kept its signal through the waits that could not take the mutex.
    EXPECT_EQ(WaitForMultipleObjects(1, objects, TRUE, 0), DWORD(WAIT_OBJECT_0));
    SetEvent(objects[0]);
    SetEvent(release);
    EXPECT_EQ(WaitForMultipleObjects(2, objects, TRUE, 5000), DWORD(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(objects[0], 0), DWORD(WAIT_TIMEOUT));
    EXPECT_TRUE(ReleaseMutex(objects[1]));
    owner.join();
    for (HANDLE h : {objects[0], objects[1], release, taken})
        CloseHandle(h);
}

TEST_F(Mutexes, ANamedMutexIsTheSameInAnotherProgram) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Between programs");
    ASSERT_NE(mutex, nullptr);
    PeerProcess other(MUTEX_PEER, "Between programs");
    ASSERT_EQ(other.Ask("take"), "taken");
    EXPECT_EQ(WaitForSingleObject(mutex, 50), DWORD(WAIT_TIMEOUT));
    EXPECT_FALSE(ReleaseMutex(mutex)); // the other program's thread owns it
    std::thread later([&] {
        usleep(50000);
        EXPECT_EQ(other.Ask("release"), "released");
    });
    EXPECT_EQ(WaitForSingleObject(mutex, 5000), DWORD(WAIT_OBJECT_0));
    later.join();
    // The other program waits while this one holds it.
    std::atomic<bool> answered{false};
    std::string answer;
    std::thread taker([&] {
        answer = other.Ask("take");
        answered = true;
    });
    usleep(50000);
    EXPECT_FALSE(answered);
    EXPECT_TRUE(ReleaseMutex(mutex));
    taker.join();
    EXPECT_EQ(answer, "taken");
    EXPECT_EQ(other.Ask("release"), "released");
    EXPECT_EQ(other.Wait(), 0);

    PeerProcess nobody(MUTEX_PEER, "Nobody");
    EXPECT_EQ(nobody.Ask("take"), "absent");
    EXPECT_EQ(nobody.Wait(), 2);
    CloseHandle(mutex);
}

TEST_F(Mutexes, ProgramsCountingUnderTheMutexLoseNoStep) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Counter");
    HANDLE section =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 8, "Counter count");
    ASSERT_NE(mutex, nullptr);
    ASSERT_NE(section, nullptr);
    auto* number = static_cast<volatile long*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(number, nullptr);
    constexpr int kSteps = 3000;
    PeerProcess first(MUTEX_PEER, "Counter"), second(MUTEX_PEER, "Counter");
    std::string answers[2];
    std::thread a([&] { answers[0] = first.Ask("count " + std::to_string(kSteps)); });
    std::thread b([&] { answers[1] = second.Ask("count " + std::to_string(kSteps)); });
    for (int n = 0; n < kSteps; ++n) {
        WaitForSingleObject(mutex, INFINITE);
        long seen = *number;
        std::this_thread::yield();
        *number = seen + 1;
        ReleaseMutex(mutex);
    }
    a.join();
    b.join();
    EXPECT_EQ(answers[0], "counted");
    EXPECT_EQ(answers[1], "counted");
    EXPECT_EQ(*number, 3 * kSteps);
    // The other programs close their handles as they end; this one's are then the last.
    EXPECT_EQ(first.Wait(), 0);
    EXPECT_EQ(second.Wait(), 0);
    UnmapViewOfFile(const_cast<long*>(number));
    CloseHandle(section);
    CloseHandle(mutex);
}

TEST_F(Mutexes, AnOwnerThatEndsHoldingTheMutexLeavesItAbandoned) {
    struct Case {
        const char* owner;
        void (*end_holding)(HANDLE mutex);
    } cases[] = {
        {"a thread",
         [](HANDLE mutex) {
             std::thread([mutex] { WaitForSingleObject(mutex, INFINITE); }).join();
         }},
        {"another program",
         [](HANDLE) {
             PeerProcess other(MUTEX_PEER, "Left");
             EXPECT_EQ(other.Ask("take"), "taken");
             other.Ask("end");
             EXPECT_EQ(other.Wait(), 0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.owner);
        HANDLE mutex = CreateMutexA(nullptr, FALSE, "Left");
        ASSERT_NE(mutex, nullptr);
        c.end_holding(mutex);
        // The next wait takes it, told that its owner is gone; after that it is an ordinary one.
        EXPECT_EQ(WaitForSingleObject(mutex, 1000), DWORD(WAIT_ABANDONED_0));
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_EQ(WaitElsewhere(mutex), DWORD(WAIT_OBJECT_0));
        // Among several objects the index of the abandoned one comes with it.
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE both[] = {event, mutex};
        c.end_holding(mutex);
        EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 1000), DWORD(WAIT_ABANDONED_0 + 1));
        EXPECT_TRUE(ReleaseMutex(mutex));
        CloseHandle(event);
        CloseHandle(mutex);
    }
}

} // namespace
