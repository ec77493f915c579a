// Orlith in the program started on the test desktop: the program's loader loads it from the
// plug-in folder, its row is bound and started, and the test moves the focus and switches the
// IME as a user would.
#include "object_files.h"
#include "peer_process.h"
#include "program_fixture.h"

#include "display/graph_display.h"
#include "display/rows.h"
#include "shell/program.h"
#include "user32/window_manager.h"

#include <imm.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace platform::testing;

namespace {

constexpr char kOrlithRow[] = "GraphDetail[\r\n"
                              "\tNumberOfGraphs=1\r\n"
                              "\tGraph0=Orlith_x64.pmp|0\r\n"
                              "]\r\n";

struct Row {
    std::string text;
    DWORD value1, value2;
};

// Every WM_APP_ROWDATA the main window (or, with null, any window) receives, read while its
// sender still waits.
class ReportLog {
public:
    explicit ReportLog(HWND window) {
        cookie_ = platform::user32::AddMessageObserver(
            [this, window](HWND hwnd, UINT message, WPARAM, LPARAM lparam) {
                if ((window && hwnd != window) || message != WM_APP_ROWDATA)
                    return;
                PMPDATA record;
                std::memcpy(&record, reinterpret_cast<const void*>(lparam), sizeof record);
                std::lock_guard lock(mutex_);
                reports_.push_back(record);
            });
    }
    ~ReportLog() { platform::user32::RemoveMessageObserver(cookie_); }
    size_t Count() {
        std::lock_guard lock(mutex_);
        return reports_.size();
    }
    std::vector<PMPDATA> Reports() {
        std::lock_guard lock(mutex_);
        return reports_;
    }

private:
    int cookie_;
    std::mutex mutex_;
    std::vector<PMPDATA> reports_;
};

class Orlith : public ProgramTest {
protected:
    Orlith() {
        // The section is the program's alone while this test runs.
        setenv("PELMORA_PLATFORM_SECTIONS", space_.c_str(), 1);
        fs::copy_file(ORLITH_LIBRARY, folder_ / "Plug-ins (x64)" / "Orlith_x64.pmp");
        WriteSettings(kOrlithRow);
    }
    ~Orlith() override {
        ShutDown();
        // The library closed its section and its lock as it was unloaded: nothing is left.
        EXPECT_EQ(object_files::OfNamespace(space_), std::set<std::string>{});
        unsetenv("PELMORA_PLATFORM_SECTIONS");
    }

    static COnePlugin* Plugin() {
        for (DWORD i = 0; i < GetPluginCount(); ++i)
            if (std::strcmp((*pPluginList)[i]->Identifier, "Orlith_x64.pmp") == 0)
                return (*pPluginList)[i].get();
        return nullptr;
    }

    static Row RowNow() {
        COneGraph* row = GetGraph(0);
        return {row->szIrregular, row->dwIrregularCurrentValue1, row->dwIrregularCurrentValue2};
    }

    const std::string space_ = "orlith-test-" + std::to_string(getpid());
};

void ExpectRow(const Row& row, const char* text, DWORD value1, DWORD value2) {
    EXPECT_EQ(row.text, text);
    EXPECT_EQ(row.value1, value1) << text;
    EXPECT_EQ(row.value2, value2) << text;
}

TEST_F(Orlith, LoadsAsAPushingSourceWithItsTextsInCodePage932) {
    Start();
    ASSERT_NE(Plugin(), nullptr);
    const PMPINFO* info = Plugin()->GetInfo();
    EXPECT_EQ(info->dwType, DWORD(PMP_TYPE_IRREGULAR));
    EXPECT_EQ(info->dwAvailableGraphs, DWORD(PMP_GRAPHS_TWO));
    EXPECT_EQ(info->dwFormatParams, 1u);
    EXPECT_EQ(info->dwDataItems, 1u); // left 0, taken as one item
    EXPECT_STREQ(info->pszName, "IME \x8F\xF3\x91\xD4");
    EXPECT_STREQ(info->pszParamNames[0], "IME \x8F\xF3\x91\xD4");
    EXPECT_EQ(info->pszParamNames[1], nullptr);
    EXPECT_STREQ(info->pszDefaultFormat, "IME : %1");
    EXPECT_STREQ(info->pszDescription,
                 "\x8C\xBB\x8D\xDD\x82\xCC IME \x82\xCC ON / OFF \x82\xCC\x8F\xF3\x91\xD4\x82\xF0"
                 "\x95\x5C\x8E\xA6\x82\xB5\x82\xDC\x82\xB7\x81"
                 "B\r\nON \x82\xCC\x8F\xEA\x8D\x87\x82\xCD\x83O\x83\x89\x83t 1 \x82\xAA\x81"
                 "AOFF \x82\xCC\x8F\xEA\x8D\x87\x82\xCD\x83O\x83\x89\x83t 2 \x82\xAA\x81"
                 "A\x82\xBB\x82\xEA\x82\xBC\x82\xEA\x95\x5C\x8E\xA6\x82\xB3\x82\xEA\x82\xDC\x82"
                 "\xB7\x81"
                 "B");
    EXPECT_EQ(info->pszParamName9, nullptr);
    EXPECT_EQ(info->pszParamName0, nullptr);
}

struct StartCase {
    bool context, open;
    const char* text;
    DWORD value1, value2;
};

class OrlithStart : public Orlith, public ::testing::WithParamInterface<StartCase> {};

TEST_P(OrlithStart, TheFirstReportComesAtTheStartForTheForegroundWindow) {
    const StartCase& c = GetParam();
    HWND window = CreateImeWindow(c.context);
    SetImeOpen(window, c.open);
    FocusWindow(window);
    ReportLog log(nullptr);
    Start();
    // The first report was sent while the row started, for the window in front then (showing
    // the main window may move the focus and report again).
    std::vector<PMPDATA> reports = log.Reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_STREQ(reports[0].pszFormatParams[0], c.text + 6);
    EXPECT_EQ(reports[0].dwCurrentValue1, c.value1);
    EXPECT_EQ(reports[0].dwCurrentValue2, c.value2);
    // Focused again, the window shows in the row.
    FocusWindow(window);
    ExpectRow(RowNow(), c.text, c.value1, c.value2);
}

INSTANTIATE_TEST_SUITE_P(States, OrlithStart,
                         ::testing::Values(StartCase{true, true, "IME : ON", 1, 0},
                                           StartCase{true, false, "IME : OFF", 0, 1},
                                           StartCase{false, false, "IME : Disabled", 0, 0}),
                         [](const auto& info) { return std::string(info.param.text + 6); });

TEST_F(Orlith, FocusAndOpenStatusChangesReachTheRow) {
    HWND with = CreateImeWindow(true);
    HWND without = CreateImeWindow(false);
    Start();
    ReportLog log(Window());

    FocusWindow(without);
    ExpectRow(RowNow(), "IME : Disabled", 0, 0);
    FocusWindow(with);
    ExpectRow(RowNow(), "IME : OFF", 0, 1);
    SetImeOpen(with, true);
    ExpectRow(RowNow(), "IME : ON", 1, 0);
    SetImeOpen(with, false);
    ExpectRow(RowNow(), "IME : OFF", 0, 1);

    // The host copied each whole record from the section: past the report it reads zeros.
    std::vector<PMPDATA> reports = log.Reports();
    ASSERT_FALSE(reports.empty());
    for (const PMPDATA& r : reports) {
        EXPECT_EQ(r.dwMaxValue, 1u);
        EXPECT_EQ(r.dwReserved, 0u);
        for (int k = 1; k < PMP_MAX_FORMAT_PARAMS; ++k)
            EXPECT_EQ(r.pszFormatParams[k], nullptr) << k;
    }
}

TEST_F(Orlith, OtherMessagesAndOtherHookCodesNeverReport) {
    HWND window = CreateImeWindow(true);
    FocusWindow(window);
    Start();
    ReportLog log(Window());
    SendMessageA(window, WM_NULL, 0, 0);
    SendMessageA(window, WM_KILLFOCUS, 0, 0);
    SendMessageA(window, WM_IME_NOTIFY, IMN_CLOSESTATUSWINDOW, 0);
    SendMessageA(window, WM_SETTEXT, 0, LPARAM("text"));
    // Posted, not sent: the hook watches sent messages only.
    PostMessageA(window, WM_SETFOCUS, 0, 0);
    RunUntilIdle();
    EXPECT_EQ(log.Count(), 0u);
    SendMessageA(window, WM_IME_NOTIFY, IMN_OPENSTATUSWINDOW, 0);
    EXPECT_EQ(log.Count(), 1u);

    // A newer hook hands the call on with a code other than HC_ACTION: no report.
    HHOOK hook = SetWindowsHookExA(
        WH_CALLWNDPROCRET,
        [](int, WPARAM wparam, LPARAM lparam) -> LRESULT {
            return CallNextHookEx(nullptr, 3, wparam, lparam);
        },
        nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    SendMessageA(window, WM_SETFOCUS, 0, 0);
    SendMessageA(window, WM_IME_NOTIFY, IMN_SETOPENSTATUS, 0);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(log.Count(), 1u);
}

TEST_F(Orlith, AfterTheRowsEndNothingIsReported) {
    HWND window = CreateImeWindow(true);
    Start();
    ReportLog log(Window());
    FocusWindow(window);
    ASSERT_EQ(log.Count(), 1u);
    EndRowOperations();
    SetImeOpen(window, true);
    FocusWindow(CreateImeWindow(false));
    FocusWindow(window);
    EXPECT_EQ(log.Count(), 1u);
    SetupGraphDisplay(); // the options applied: the row starts again and reports at once
    EXPECT_EQ(log.Count(), 2u);
    ExpectRow(RowNow(), "IME : ON", 1, 0);

    // Shut down, the library is gone: a focus change must not reach it.
    ShutDown();
    FocusWindow(CreateImeWindow(true));
    SetImeOpen(window, false);
    EXPECT_EQ(log.Count(), 2u);
    EXPECT_NE(ReadSettings().find("\tOrlith_x64.pmp|0[\r\n"), std::string::npos) << ReadSettings();
}

TEST_F(Orlith, ASecondStartWithoutAnEndLeavesOneHookThatTheEndRemoves) {
    HWND window = CreateImeWindow(true);
    Start();
    const PMPPROCEDURES* entries = Plugin()->GetProcedures();
    entries->pfnBeforeOperation(0, Window(), 0, GetGraph(0)->GetIrregularData());
    ReportLog log(Window());
    FocusWindow(window);
    EXPECT_EQ(log.Count(), 1u); // one report: the first hook went when the second came
    entries->pfnAfterOperation(0);
    SetImeOpen(window, true);
    EXPECT_EQ(log.Count(), 1u);
    entries->pfnBeforeOperation(0, Window(), 0, GetGraph(0)->GetIrregularData());
}

struct BlockedSectionCase {
    const char* name;
    HANDLE (*block)(); // holds the name "Orlith" so that the library cannot have its section
};

class OrlithWithoutSection : public Orlith,
                             public ::testing::WithParamInterface<BlockedSectionCase> {};

TEST_P(OrlithWithoutSection, LeavesTheRowBlank) {
    HANDLE blocker = GetParam().block();
    ASSERT_NE(blocker, nullptr);
    HWND window = CreateImeWindow(true);
    FocusWindow(window);
    Start();
    ReportLog log(Window());
    SetImeOpen(window, true);
    FocusWindow(CreateImeWindow(false));
    EXPECT_EQ(log.Count(), 0u);
    EXPECT_EQ(RowNow().text, "");
    ShutDown();
    CloseHandle(blocker);
    // The context is this thread's and outlives the test: leave it closed, as it was found.
    SetImeOpen(window, false);
}

INSTANTIATE_TEST_SUITE_P(
    Blocked, OrlithWithoutSection,
    ::testing::Values(
        // A smaller section of the same name exists already: the record does not fit in it.
        BlockedSectionCase{"CannotMapTheRecord",
                           [] {
                               return CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr,
                                                         PAGE_READWRITE, 0, 64, "Orlith");
                           }},
        // An object of another kind has the name: no section can be created under it.
        BlockedSectionCase{"CannotCreateTheSection",
                           [] { return CreateMutexA(nullptr, FALSE, "Orlith"); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Orlith, ReportsFromManyThreadsNeverMix) {
    Start();
    ReportLog log(Window());
    std::atomic<bool> stop{false};
    std::atomic<int> finished{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&stop, &finished] {
            // Each thread has a window of its own with its own context, and switches it.
            HWND window = CreateImeWindow(true);
            bool open = false;
            while (!stop) {
                open = !open;
                SetImeOpen(window, open);
            }
            DestroyWindow(window);
            ++finished;
        });
    }
    // The main window's thread answers the reports (the threads wait for it in SendMessageA)
    // until enough have come, and until every thread is done.
    auto pump = [] {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
        usleep(100);
    };
    while (log.Count() < 400)
        pump();
    stop = true;
    while (finished < 4)
        pump();
    for (auto& th : threads)
        th.join();
    for (const PMPDATA& r : log.Reports()) {
        std::string text = r.pszFormatParams[0];
        bool on = text == "ON";
        ASSERT_TRUE(on || text == "OFF") << text;
        ASSERT_EQ(r.dwCurrentValue1, on ? 1u : 0u) << text;
        ASSERT_EQ(r.dwCurrentValue2, on ? 0u : 1u) << text;
    }
}

// Lets the main window's thread answer what other threads send it, for a while or until `done`.
template <typename Done> void PumpUntil(Done done, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
        usleep(100);
    }
}

TEST_F(Orlith, AReportWaitsWhileAnotherProgramHoldsTheReportLock) {
    // Another program's copy of the library in the middle of its report holds the lock that all
    // copies share; it then ends its report, or ends without releasing the lock.
    struct Case {
        const char* how;
        const char* command;
    } cases[] = {{"released", "release"}, {"ended holding it", "end"}};
    Start();
    ReportLog log(Window());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        peer::PeerProcess other(MUTEX_PEER, "OrlithReport");
        ASSERT_EQ(other.Ask("take"), "taken");
        size_t before = log.Count();
        std::atomic<bool> done{false};
        std::thread reporter([&done] {
            HWND window = CreateImeWindow(true);
            SetImeOpen(window, true);
            DestroyWindow(window);
            done = true;
        });
        // The report waits; the main window's thread goes on answering meanwhile.
        PumpUntil([&] { return done.load(); }, std::chrono::milliseconds(150));
        EXPECT_FALSE(done);
        EXPECT_EQ(log.Count(), before);
        other.Ask(c.command);
        PumpUntil([&] { return done.load(); }, std::chrono::seconds(10));
        reporter.join();
        EXPECT_EQ(other.Wait(), 0);
        ASSERT_GT(log.Count(), before);
        ExpectRow(RowNow(), "IME : ON", 1, 0);
    }
}

} // namespace
