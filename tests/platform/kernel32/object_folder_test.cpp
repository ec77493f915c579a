// Where named objects live: a folder only their user can enter, holding nothing that another
// user could have put there, and nothing once nobody holds an object any more.
#include "object_files.h"
#include "peer_process.h"

#include "testing/temporary_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <sched.h>
#include <optional>
#include <set>
#include <string>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using peer::PeerProcess;
using platform::testing::TemporaryFolder;

constexpr uid_t kOtherUser = 65534;

// The test's own runtime folder (mkdtemp makes it 0700), so that what is counted in it is the
// test's alone; the programs it starts inherit it. No namespace: the file of "Name" is
// "pelmora--Name".
class ObjectFolder : public ::testing::Test {
protected:
    ObjectFolder() {
        if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"))
            saved_runtime_ = runtime;
        setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
        unsetenv("PELMORA_PLATFORM_SECTIONS");
    }
    ~ObjectFolder() override {
        if (saved_runtime_)
            setenv("XDG_RUNTIME_DIR", saved_runtime_->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        unsetenv("PELMORA_PLATFORM_SECTIONS");
    }
    void TearDown() override { EXPECT_EQ(object_files::Named(), std::set<std::string>{}); }

    fs::path FileOf(const std::string& name) const { return runtime_ / ("pelmora--" + name); }

    const TemporaryFolder runtime_{"pelmora-runtime"};
    std::optional<std::string> saved_runtime_;
};

// A case's description as a test name: its letters and digits, up to a colon.
std::string CaseName(const char* what) {
    std::string name;
    for (const char* p = what; *p && *p != ':'; ++p)
        if (std::isalnum(static_cast<unsigned char>(*p)))
            name += *p;
    return name;
}

HANDLE CreateSection(const char* name, DWORD size = 64) {
    return CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
}

TEST_F(ObjectFolder, ObjectsLiveInTheRuntimeFolderUntilTheirLastHandleCloses) {
    HANDLE section = CreateSection("Section");
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Mutex");
    ASSERT_NE(section, nullptr);
    ASSERT_NE(mutex, nullptr);
    struct stat st {};
    for (const char* name : {"Section", "Mutex"}) {
        ASSERT_EQ(lstat(FileOf(name).c_str(), &st), 0) << name;
        EXPECT_TRUE(S_ISREG(st.st_mode)) << name;
        EXPECT_EQ(st.st_uid, geteuid()) << name;
        EXPECT_EQ(st.st_mode & 077, 0u) << name;
    }
    // A namespace is a name of its own: the same name there is another object.
    setenv("PELMORA_PLATFORM_SECTIONS", "apart", 1);
    HANDLE apart = CreateSection("Section");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    ASSERT_NE(apart, nullptr);
    EXPECT_EQ(object_files::Named(), (std::set<std::string>{"pelmora--Mutex", "pelmora--Section",
                                                            "pelmora-apart--Section"}));
    CloseHandle(apart);
    unsetenv("PELMORA_PLATFORM_SECTIONS");
    HANDLE second = CreateSection("Section");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    CloseHandle(section);
    EXPECT_TRUE(fs::exists(FileOf("Section"))); // still held by the second handle
    CloseHandle(second);
    CloseHandle(mutex);
}

TEST_F(ObjectFolder, ARuntimeFolderOthersCouldEnterIsNotUsed) {
    const TemporaryFolder elsewhere("pelmora-runtime-other");
    fs::create_directory(elsewhere / "private", elsewhere.path());
    fs::permissions(elsewhere / "private", fs::perms::owner_all);
    struct Case {
        const char* what;
        std::string folder;
        std::function<void(const fs::path&)> make;
    } cases[] = {
        {"open to others", (elsewhere / "open").string(),
         [](const fs::path& f) {
             fs::create_directory(f);
             chmod(f.c_str(), 0755);
         }},
        {"another owner's", (elsewhere / "theirs").string(),
         [](const fs::path& f) {
             fs::create_directory(f);
             chmod(f.c_str(), 0700);
             ASSERT_EQ(chown(f.c_str(), kOtherUser, kOtherUser), 0);
         }},
        {"a link to a private folder", (elsewhere / "link").string(),
         [&](const fs::path& f) { fs::create_directory_symlink(elsewhere / "private", f); }},
        {"a relative path", "relative", [](const fs::path&) {}},
    };
    // The object goes to the user's own folder instead, under the test's namespace.
    const std::string space = "object-folder-test-" + std::to_string(getpid());
    setenv("PELMORA_PLATFORM_SECTIONS", space.c_str(), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make(c.folder);
        setenv("XDG_RUNTIME_DIR", c.folder.c_str(), 1);
        HANDLE mutex = CreateMutexA(nullptr, FALSE, "Elsewhere");
        ASSERT_NE(mutex, nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
        if (c.folder.starts_with('/')) {
            EXPECT_TRUE(fs::is_empty(c.folder));
        }
        EXPECT_TRUE(fs::is_empty(elsewhere / "private"));
        EXPECT_EQ(object_files::OfNamespace(space),
                  (std::set<std::string>{"pelmora-" + space + "--Elsewhere"}));
        CloseHandle(mutex);
        EXPECT_EQ(object_files::OfNamespace(space), std::set<std::string>{});
    }
    setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
}

// What another user, or root on another's behalf, could leave under an object's name.
struct Plant {
    const char* what;
    void (*make)(const fs::path& file, const fs::path& aside);
};

const Plant kPlants[] = {
    {"another owner's file",
     [](const fs::path& file, const fs::path&) {
         platform::testing::WriteWholeFile(file, std::string(4096, '\0'));
         chmod(file.c_str(), 0600);
         ASSERT_EQ(chown(file.c_str(), kOtherUser, kOtherUser), 0);
     }},
    {"a file others may write",
     [](const fs::path& file, const fs::path&) {
         platform::testing::WriteWholeFile(file, std::string(4096, '\0'));
         chmod(file.c_str(), 0666);
     }},
    {"a link to a file of the user's",
     [](const fs::path& file, const fs::path& aside) {
         platform::testing::WriteWholeFile(aside / "target", std::string(4096, '\0'));
         chmod((aside / "target").c_str(), 0600);
         fs::create_symlink(aside / "target", file);
     }},
    {"a FIFO", [](const fs::path& file, const fs::path&) { mkfifo(file.c_str(), 0600); }},
    {"a folder", [](const fs::path& file, const fs::path&) { fs::create_directory(file); }},
};

class PlantedObject : public ObjectFolder, public ::testing::WithParamInterface<Plant> {};

TEST_P(PlantedObject, IsRefusedAndLeftAsItIs) {
    const TemporaryFolder aside("pelmora-aside");
    const fs::path file = FileOf("Planted");
    GetParam().make(file, aside.path());
    struct stat before {};
    ASSERT_EQ(lstat(file.c_str(), &before), 0);
    struct Call {
        const char* what;
        std::function<HANDLE()> call;
    } calls[] = {
        {"CreateFileMappingA", [] { return CreateSection("Planted"); }},
        {"OpenFileMappingA", [] { return OpenFileMappingA(FILE_MAP_WRITE, FALSE, "Planted"); }},
        {"CreateMutexA", [] { return CreateMutexA(nullptr, TRUE, "Planted"); }},
        {"OpenMutexA", [] { return OpenMutexA(SYNCHRONIZE, FALSE, "Planted"); }},
    };
    for (const Call& c : calls) {
        SetLastError(0);
        HANDLE handle = c.call();
        EXPECT_EQ(handle, nullptr) << c.what;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED)) << c.what;
        if (handle)
            CloseHandle(handle);
    }
    // Another object's creation, which clears what ended objects left, leaves it too.
    HANDLE other = CreateSection("Other");
    ASSERT_NE(other, nullptr);
    CloseHandle(other);
    struct stat after {};
    ASSERT_EQ(lstat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    fs::remove(file);
}

INSTANTIATE_TEST_SUITE_P(Plants, PlantedObject, ::testing::ValuesIn(kPlants),
                         [](const auto& info) { return CaseName(info.param.what); });

TEST_F(ObjectFolder, AnObjectTooSmallForWhatItIsIsRefusedNotMapped) {
    // A file of no size that another program of the user holds: no object is ever that.
    const fs::path empty = FileOf("Empty");
    int held = open(empty.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_SH), 0);
    SetLastError(0);
    EXPECT_EQ(CreateSection("Empty"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(OpenFileMappingA(FILE_MAP_READ, FALSE, "Empty"), nullptr);
    close(held);
    // Nobody holds it now: it is what an ended object left, and the name makes a new one.
    HANDLE made = CreateSection("Empty");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    CloseHandle(made);

    // Cut by the user after it was opened: a view past the file's end now would fault when
    // touched, so it is refused; one within what is left is still given.
    HANDLE section = CreateSection("Cut", 3 * 65536);
    ASSERT_NE(section, nullptr);
    ASSERT_EQ(truncate(FileOf("Cut").c_str(), 65536 + 100), 0);
    EXPECT_EQ(MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(MapViewOfFile(section, FILE_MAP_READ, 0, 65536, 200), nullptr);
    auto* within = static_cast<const char*>(MapViewOfFile(section, FILE_MAP_READ, 0, 65536, 100));
    ASSERT_NE(within, nullptr);
    EXPECT_EQ(within[99], 0);
    UnmapViewOfFile(within);
    CloseHandle(section);

    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Cut mutex");
    ASSERT_NE(mutex, nullptr);
    ASSERT_EQ(truncate(FileOf("Cut%20mutex").c_str(), 0), 0);
    EXPECT_EQ(OpenMutexA(SYNCHRONIZE, FALSE, "Cut mutex"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    CloseHandle(mutex);
}

// On a file system with no room left (a small /dev/shm that other programs have filled), an
// object whose memory cannot be had is refused when it is made, as the system refuses a section
// it cannot commit; given, its memory would fault at the first touch and end the program. Run
// in a child of a mount namespace of its own, over a small file system mounted there; skipped
// where no mount may be made.
TEST_F(ObjectFolder, AnObjectTheFolderHasNoRoomForIsRefusedWhenMade) {
    constexpr int kSkipped = 77;
    enum Outcome { kRefused, kGiven, kNamed };
    const std::string folder = runtime_.path().string();
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k,mode=0700") != 0)
            _exit(kSkipped);
        // Fill it: what another program keeps there.
        int fill = open((folder + "/other").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        static const char page[4096] = {};
        while (fill >= 0 && write(fill, page, sizeof page) > 0) {
        }
        HANDLE section = CreateSection("Full", 65536);
        if (section) {
            auto* view = static_cast<char*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0));
            if (view)
                std::fill(view, view + 65536, 'x');
            _exit(kGiven);
        }
        if (CreateMutexA(nullptr, FALSE, "Full mutex"))
            _exit(kGiven);
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename() != "other")
                _exit(kNamed);
        _exit(kRefused);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == kSkipped)
        GTEST_SKIP() << "no file system can be mounted here";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), kRefused);
}

TEST_F(ObjectFolder, AnObjectGoesWithItsLastHolderEvenOneThatWasKilled) {
    // The last holder is another program, which closes its handle as it ends.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Held");
    ASSERT_NE(mutex, nullptr);
    {
        PeerProcess other(MUTEX_PEER, "Held");
        ASSERT_EQ(other.Ask("take"), "taken");
        ASSERT_EQ(other.Ask("release"), "released");
        CloseHandle(mutex);
        EXPECT_EQ(object_files::Named(), std::set<std::string>{"pelmora--Held"});
        EXPECT_EQ(other.Wait(), 0);
    }
    EXPECT_EQ(object_files::Named(), std::set<std::string>{});

    // The last holder is killed while it owns the mutex: its file stays until the next object
    // is created, whatever its name.
    mutex = CreateMutexA(nullptr, FALSE, "Held");
    ASSERT_NE(mutex, nullptr);
    {
        PeerProcess other(MUTEX_PEER, "Held");
        ASSERT_EQ(other.Ask("take"), "taken");
        CloseHandle(mutex);
    } // killed
    EXPECT_EQ(object_files::Named(), std::set<std::string>{"pelmora--Held"});
    HANDLE other = CreateSection("Other");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(object_files::Named(), std::set<std::string>{"pelmora--Other"});
    // The name then makes a new mutex, owned by nobody and not abandoned.
    mutex = CreateMutexA(nullptr, FALSE, "Held");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), DWORD(WAIT_OBJECT_0));
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(mutex);
    CloseHandle(other);
}

// Programs that create and close one name over and over, each holding it for a moment, never
// hold two objects under it at once: a closing holder never takes the name from a live object,
// and a creator never replaces one.
TEST_F(ObjectFolder, ProgramsRacingToCreateAndCloseOneNameShareOneObject) {
    constexpr int kPrograms = 4;
    constexpr int kRounds = 1000;
    struct Board {
        std::atomic<long> generation; // of the last object made under the name
        std::atomic<long> clashes;
        std::atomic<long> seen[kPrograms]; // the generation each program holds
        std::atomic<int> inside[kPrograms];
    };
    HANDLE board_section = CreateSection("Board", sizeof(Board));
    auto* board = static_cast<Board*>(MapViewOfFile(board_section, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(board, nullptr);
    std::vector<pid_t> children;
    for (int me = 0; me < kPrograms; ++me) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child != 0) {
            children.push_back(child);
            continue;
        }
        for (int round = 0; round < kRounds; ++round) {
            HANDLE section = CreateSection("Raced");
            bool made = GetLastError() == ERROR_SUCCESS;
            auto* generation = section ? static_cast<std::atomic<long>*>(
                                             MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0))
                                       : nullptr;
            if (!generation)
                _exit(2);
            long mine = 0;
            if (made) {
                generation->store(mine = ++board->generation);
            } else {
                // Its maker writes the generation just after making it.
                auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while ((mine = generation->load()) == 0)
                    if (std::chrono::steady_clock::now() > limit)
                        _exit(3);
            }
            board->seen[me] = mine;
            board->inside[me] = 1;
            // Held a moment, so that the holds of the programs overlap and hand the object on.
            for (int turn = 0; turn < 3; ++turn) {
                for (int other = 0; other < kPrograms; ++other)
                    if (other != me && board->inside[other] && board->seen[other] != mine)
                        ++board->clashes;
                sched_yield();
            }
            board->inside[me] = 0;
            UnmapViewOfFile(generation);
            CloseHandle(section);
        }
        _exit(0);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    EXPECT_EQ(board->clashes, 0);
    EXPECT_GT(board->generation, 1); // the name did end and begin again meanwhile
    UnmapViewOfFile(board);
    CloseHandle(board_section);
}

// The user's own folder, where there is no runtime folder, looked at by a child process that
// runs as a user of its own (a made-up id, so that no real user's folder is touched).
struct OwnFolderCase {
    const char* what;
    // Makes what is under the folder's name beforehand; the user's id is given.
    void (*make)(const fs::path& folder, uid_t user, const fs::path& aside);
    bool usable;
};

const OwnFolderCase kOwnFolders[] = {
    {"none yet: it is made", [](const fs::path&, uid_t, const fs::path&) {}, true},
    {"one of the user's alone",
     [](const fs::path& f, uid_t user, const fs::path&) {
         fs::create_directory(f);
         chmod(f.c_str(), 0700);
         ASSERT_EQ(chown(f.c_str(), user, user), 0);
     },
     true},
    {"another owner's",
     [](const fs::path& f, uid_t, const fs::path&) {
         fs::create_directory(f);
         chmod(f.c_str(), 0777);
     },
     false},
    {"open to others",
     [](const fs::path& f, uid_t user, const fs::path&) {
         fs::create_directory(f);
         chmod(f.c_str(), 0707);
         ASSERT_EQ(chown(f.c_str(), user, user), 0);
     },
     false},
    {"open to its group",
     [](const fs::path& f, uid_t user, const fs::path&) {
         fs::create_directory(f);
         chmod(f.c_str(), 0750);
         ASSERT_EQ(chown(f.c_str(), user, user), 0);
     },
     false},
    {"a link to the user's folder",
     [](const fs::path& f, uid_t user, const fs::path& aside) {
         fs::create_directory(aside / "mine");
         chmod((aside / "mine").c_str(), 0700);
         ASSERT_EQ(chown((aside / "mine").c_str(), user, user), 0);
         chmod(aside.c_str(), 0755);
         fs::create_directory_symlink(aside / "mine", f);
     },
     false},
    {"a file",
     [](const fs::path& f, uid_t user, const fs::path&) {
         platform::testing::WriteWholeFile(f, "");
         ASSERT_EQ(chown(f.c_str(), user, user), 0);
     },
     false},
};

class OwnFolder : public ::testing::TestWithParam<OwnFolderCase> {};

TEST_P(OwnFolder, IsUsedOnlyWhenItIsTheUsersAlone) {
    if (geteuid() != 0)
        GTEST_SKIP() << "making another user's process needs root";
    const uid_t user = 200000 + uid_t(getpid() % 100000);
    const fs::path folder = "/dev/shm/pelmora-" + std::to_string(user);
    if (fs::exists(fs::symlink_status(folder)))
        GTEST_SKIP() << folder << " is there already";
    const TemporaryFolder aside("pelmora-aside");
    GetParam().make(folder, user, aside.path());
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        unsetenv("XDG_RUNTIME_DIR");
        unsetenv("PELMORA_PLATFORM_SECTIONS");
        if (setgroups(0, nullptr) != 0 || setresgid(user, user, user) != 0 ||
            setresuid(user, user, user) != 0)
            _exit(20);
        HANDLE mutex = CreateMutexA(nullptr, FALSE, "Own");
        if (!mutex)
            _exit(GetLastError() == ERROR_ACCESS_DENIED ? 10 : 11);
        struct stat st {};
        bool private_file = lstat((folder / "pelmora--Own").c_str(), &st) == 0 &&
                            st.st_uid == user && (st.st_mode & 077) == 0;
        CloseHandle(mutex);
        _exit(private_file && !fs::exists(folder / "pelmora--Own") ? 0 : 12);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), GetParam().usable ? 0 : 10);
    if (GetParam().usable) {
        struct stat st {};
        ASSERT_EQ(lstat(folder.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_uid, user);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

INSTANTIATE_TEST_SUITE_P(Folders, OwnFolder, ::testing::ValuesIn(kOwnFolders),
                         [](const auto& info) { return CaseName(info.param.what); });

} // namespace
