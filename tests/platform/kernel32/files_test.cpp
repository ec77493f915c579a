#include <windows.h>

#include "host/drives.h"
#include "host/paths.h"
#include "testing/temporary_folder.h"
#include "kernel32/files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class Files : public ::testing::Test {
protected:
    void TearDown() override { platform::SetWriteLimit(std::nullopt); }
    const platform::testing::TemporaryFolder dir_{"pelmora-files"};
};

TEST_F(Files, DispositionsOnExistingAndMissingFiles) {
    struct Case {
        DWORD disposition;
        bool exists;
        bool opens;
        DWORD error;
        const char* contents_after; // nullptr: no file
    } cases[] = {
        {CREATE_NEW, false, true, ERROR_SUCCESS, ""},
        {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
        {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
    };
    int i = 0;
    for (const Case& c : cases) {
        std::string name = "f" + std::to_string(i++);
        if (c.exists)
            dir_.WriteFile(name, "old");
        HANDLE h = CreateFileA(dir_.WindowsPath(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                               nullptr, c.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens) << name;
        EXPECT_EQ(GetLastError(), c.error) << name;
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        EXPECT_EQ(fs::exists(dir_ / name), c.contents_after != nullptr) << name;
        if (c.contents_after) {
            EXPECT_EQ(dir_.ReadFile(name), c.contents_after) << name;
        }
    }
    // A new file is never made through a link: a name that is a link, to a file or to nothing,
    // is a name that exists, and what it points to stays as it is. So is a name that holds a
    // folder or a FIFO: a caller that makes names until one is free passes it over as taken.
    dir_.WriteFile("target", "old");
    fs::create_symlink(dir_ / "target", dir_ / "link");
    fs::create_symlink(dir_ / "nothing", dir_ / "dangling");
    fs::create_directory(dir_ / "folder");
    ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    for (const char* name : {"link", "dangling", "folder", "fifo"}) {
        EXPECT_EQ(CreateFileA(dir_.WindowsPath(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr),
                  INVALID_HANDLE_VALUE)
            << name;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS)) << name;
    }
    EXPECT_EQ(dir_.ReadFile("target"), "old");
    EXPECT_FALSE(fs::exists(dir_ / "nothing"));
    EXPECT_EQ(CreateFileA(dir_.WindowsPath("no-folder\\x").c_str(), GENERIC_READ, 0, nullptr,
                          OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

TEST_F(Files, ReadWriteSeekAndTruncate) {
    HANDLE h = CreateFileA(dir_.WindowsPath("data").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                           nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(h, "Hello, world", 12, &n, nullptr));
    EXPECT_EQ(n, 12u);
    EXPECT_EQ(GetFileSize(h, nullptr), 12u);
    EXPECT_EQ(SetFilePointer(h, 5, nullptr, FILE_BEGIN), 5u);
    EXPECT_TRUE(SetEndOfFile(h));
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_BEGIN), 0u);
    char buffer[32] = {};
    EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(std::string(buffer, n), "Hello");
    EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr)); // end of file: success, 0 bytes
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(SetFilePointer(h, -10, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(SetFilePointer(h, -2, nullptr, FILE_END), 3u);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_FALSE(ReadFile(h, buffer, 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(Files, AccessAndSharingAreEnforced) {
    dir_.WriteFile("shared", "abc");
    HANDLE reader = CreateFileA(dir_.WindowsPath("shared").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    DWORD n;
    EXPECT_FALSE(WriteFile(reader, "x", 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    // A writer is refused while the reader shares only reading, and the refusal truncates nothing.
    EXPECT_EQ(CreateFileA(dir_.WindowsPath("shared").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                          nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(dir_.ReadFile("shared"), "abc");
    HANDLE second = CreateFileA(dir_.WindowsPath("shared").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(second, INVALID_HANDLE_VALUE);
    CloseHandle(second);
    CloseHandle(reader);
    HANDLE writer = CreateFileA(dir_.WindowsPath("shared").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);
}

// A FIFO, a socket and a device in the file system: none opens, and none blocks the open (that
// of a FIFO waits for its other end). Should an open block, the FIFO is opened at both ends after
// a generous bound, which releases it, and the case fails.
TEST_F(Files, OnlyFilesOpenByNameAndNothingBlocks) {
    ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string socket_path = (dir_ / "socket").string();
    ASSERT_LT(socket_path.size(), sizeof address.sun_path);
    socket_path.copy(address.sun_path, socket_path.size());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    fs::create_symlink("/dev/null", dir_ / "device");

    struct Case {
        const char* name;
        DWORD access;
        DWORD disposition;
    } cases[] = {
        {"fifo", GENERIC_READ, OPEN_EXISTING},
        {"fifo", GENERIC_WRITE, CREATE_ALWAYS},
        {"fifo", GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS},
        {"socket", GENERIC_READ, OPEN_EXISTING},
        {"device", GENERIC_READ, OPEN_EXISTING},
        {"device", GENERIC_WRITE, OPEN_ALWAYS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir_.WindowsPath(c.name);
        auto open = std::async(std::launch::async, [&] {
            HANDLE h = CreateFileA(path.c_str(), c.access, 0, nullptr, c.disposition, 0, nullptr);
            return std::pair(h, GetLastError());
        });
        bool blocked = open.wait_for(std::chrono::seconds(30)) != std::future_status::ready;
        if (blocked)
            close(::open((dir_ / "fifo").c_str(), O_RDWR | O_NONBLOCK));
        auto [handle, error] = open.get();
        EXPECT_FALSE(blocked);
        EXPECT_EQ(handle, INVALID_HANDLE_VALUE);
        EXPECT_EQ(error, DWORD(ERROR_ACCESS_DENIED));
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
    close(listener);
    // A file stays a file.
    dir_.WriteFile("file", "abc");
    HANDLE file = CreateFileA(dir_.WindowsPath("file").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[4] = {};
    DWORD n = 0;
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(std::string(buffer, n), "abc");
    CloseHandle(file);
}

TEST_F(Files, WriteLimitFailsTheWriteThatCrossesIt) {
    HANDLE h = CreateFileA(dir_.WindowsPath("limited").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, 0, nullptr);
    platform::SetWriteLimit(5);
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(h, "abc", 3, &n, nullptr));
    EXPECT_FALSE(WriteFile(h, "defg", 4, &n, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DISK_FULL));
    EXPECT_EQ(n, 2u);
    CloseHandle(h);
    EXPECT_EQ(dir_.ReadFile("limited"), "abcde");
}

// A name holding a backslash is not listed: the caller would join it to the folder as a
// path into a folder below.
TEST_F(Files, FindReturnsMatchesInNameOrder) {
    for (const char* name : {"b.pmp", "A.PMP", "c.txt", "d.pmpx", "a.pmp.bak", "e\\f.pmp"})
        dir_.WriteFile(name, "x");
    fs::create_directory(dir_ / "sub.pmp");
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(dir_.WindowsPath("*.pmp").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::vector<std::string> names{data.cFileName};
    std::vector<DWORD> attributes{data.dwFileAttributes};
    while (FindNextFileA(find, &data)) {
        names.push_back(data.cFileName);
        attributes.push_back(data.dwFileAttributes);
    }
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(find));
    EXPECT_EQ(names, (std::vector<std::string>{"A.PMP", "b.pmp", "sub.pmp"}));
    EXPECT_TRUE(attributes[2] & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(attributes[0] & FILE_ATTRIBUTE_DIRECTORY);

    EXPECT_EQ(FindFirstFileA(dir_.WindowsPath("*.none").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA(dir_.WindowsPath("missing\\*.pmp").c_str(), &data),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

TEST(Paths, DriveLettersMapBothWays) {
    using platform::host::DriveMapping;
    platform::host::SetDriveMapProvider([] { return std::vector<DriveMapping>{{'C', "/"}}; });
    EXPECT_EQ(platform::host::WindowsToLinuxPath("C:\\Program Files\\x.txt"),
              "/Program Files/x.txt");
    EXPECT_EQ(platform::host::WindowsToLinuxPath("c:\\"), "/");
    EXPECT_EQ(platform::host::WindowsToLinuxPath("rel\\x"), "rel/x");
    EXPECT_EQ(platform::host::WindowsToLinuxPath("Q:\\x"), std::nullopt);
    EXPECT_EQ(platform::host::LinuxToWindowsPath("/home/x"), "C:\\home\\x");
    EXPECT_EQ(platform::host::LinuxToWindowsPath("/"), "C:\\");
    platform::host::SetDriveMapProvider([] {
        return std::vector<DriveMapping>{{'C', "/"}, {'D', "/mnt/data"}};
    });
    EXPECT_EQ(platform::host::LinuxToWindowsPath("/mnt/data/a"), "D:\\a");
    EXPECT_EQ(platform::host::LinuxToWindowsPath("/mnt/database"), "C:\\mnt\\database");
    EXPECT_EQ(platform::host::WindowsToLinuxPath("D:\\a\\b"), "/mnt/data/a/b");
    platform::host::SetDriveMapProvider(platform::host::MountedDriveMap);
}

} // namespace
