#include <windows.h>

#include "host/paths.h"
#include "testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class FileReplace : public ::testing::Test {
protected:
    const platform::testing::TemporaryFolder dir_{"pelmora-replace"};
};

TEST_F(FileReplace, MoveReplacesOnlyWhenAsked) {
    dir_.WriteFile("new", "new text");
    dir_.WriteFile("old", "old text");
    EXPECT_FALSE(MoveFileExA(dir_.WindowsPath("new").c_str(), dir_.WindowsPath("old").c_str(), 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(dir_.ReadFile("old"), "old text");
    EXPECT_EQ(dir_.ReadFile("new"), "new text");

    ASSERT_TRUE(MoveFileExA(dir_.WindowsPath("new").c_str(), dir_.WindowsPath("old").c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(dir_.ReadFile("old"), "new text");
    EXPECT_FALSE(fs::exists(dir_ / "new"));

    ASSERT_TRUE(MoveFileExA(dir_.WindowsPath("old").c_str(), dir_.WindowsPath("other").c_str(), 0));
    EXPECT_EQ(dir_.ReadFile("other"), "new text");
}

TEST_F(FileReplace, FailuresCarryTheSystemsCodes) {
    EXPECT_FALSE(MoveFileExA(dir_.WindowsPath("missing").c_str(), dir_.WindowsPath("x").c_str(),
                             MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(
        MoveFileExA(dir_.WindowsPath("no\\such").c_str(), dir_.WindowsPath("x").c_str(), 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    dir_.WriteFile("file", "1");
    EXPECT_FALSE(MoveFileExA(dir_.WindowsPath("file").c_str(), dir_.WindowsPath("x").c_str(),
                             MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    fs::create_directories(dir_ / "folder");
    EXPECT_FALSE(MoveFileExA(dir_.WindowsPath("file").c_str(), dir_.WindowsPath("folder").c_str(),
                             MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(dir_.ReadFile("file"), "1");

    EXPECT_FALSE(DeleteFileA(dir_.WindowsPath("missing").c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileA(dir_.WindowsPath("folder").c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(fs::exists(dir_ / "folder"));
    EXPECT_TRUE(DeleteFileA(dir_.WindowsPath("file").c_str()));
    EXPECT_FALSE(fs::exists(dir_ / "file"));
}

TEST_F(FileReplace, ReplaceKeepsTheReplacedFilesPermissions) {
    dir_.WriteFile("old", "old");
    dir_.WriteFile("new", "new");
    fs::permissions(dir_ / "old", fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(dir_ / "new", fs::perms::all);
    ASSERT_TRUE(ReplaceFileA(dir_.WindowsPath("old").c_str(), dir_.WindowsPath("new").c_str(),
                             nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(dir_.ReadFile("old"), "new");
    EXPECT_FALSE(fs::exists(dir_ / "new"));
    EXPECT_EQ(fs::status(dir_ / "old").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // The replaced file must exist.
    dir_.WriteFile("new", "new");
    EXPECT_FALSE(ReplaceFileA(dir_.WindowsPath("missing").c_str(), dir_.WindowsPath("new").c_str(),
                              nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(dir_.ReadFile("new"), "new");
}

TEST_F(FileReplace, FinalPathFollowsLinks) {
    fs::create_directories(dir_ / "real");
    dir_.WriteFile("real/file", "x");
    fs::create_symlink(dir_ / "real" / "file", dir_ / "link");
    HANDLE file = CreateFileA(dir_.WindowsPath("link").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string expected = "\\\\?\\" + dir_.WindowsPath("real/file");
    char small[4] = "abc";
    EXPECT_EQ(GetFinalPathNameByHandleA(file, small, sizeof small, 0), expected.size() + 1);
    EXPECT_STREQ(small, "abc");
    char path[MAX_PATH * 4];
    EXPECT_EQ(GetFinalPathNameByHandleA(file, path, sizeof path, 0), expected.size());
    EXPECT_EQ(std::string(path), expected);
    CloseHandle(file);
}

// The name the handle was opened by, even once another file has taken it or it was deleted:
// never a name of a file that is not there, such as "file (deleted)".
TEST_F(FileReplace, FinalPathIsTheOpenedNameWhenTheFileIsReplacedOrDeleted) {
    const struct {
        const char* what;
        void (*change)(const fs::path& folder);
    } cases[] = {
        {"replaced",
         [](const fs::path& folder) {
             platform::testing::WriteWholeFile(folder / "other", "y");
             fs::rename(folder / "other", folder / "file");
         }},
        {"deleted", [](const fs::path& folder) { fs::remove(folder / "file"); }},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        dir_.WriteFile("file", "x");
        HANDLE file = CreateFileA(dir_.WindowsPath("file").c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        test.change(dir_.path());
        char path[MAX_PATH * 4];
        const std::string expected = "\\\\?\\" + dir_.WindowsPath("file");
        EXPECT_EQ(GetFinalPathNameByHandleA(file, path, sizeof path, 0), expected.size());
        EXPECT_EQ(std::string(path), expected);
        CloseHandle(file);
    }
}

TEST_F(FileReplace, FlushNeedsAWritableHandle) {
    dir_.WriteFile("file", "1");
    HANDLE reading = CreateFileA(dir_.WindowsPath("file").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reading, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FlushFileBuffers(reading));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    CloseHandle(reading);
    HANDLE writing = CreateFileA(dir_.WindowsPath("file").c_str(), GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writing, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FlushFileBuffers(writing));
    CloseHandle(writing);
    EXPECT_FALSE(FlushFileBuffers(writing));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

} // namespace
