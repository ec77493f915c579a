#include <windows.h>

#include "host/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class FileReplace : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("pelmora-replace-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Win(const std::string& name) const {
        return platform::host::LinuxToWindowsPath((dir_ / name).string());
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }
    fs::path dir_;
};

TEST_F(FileReplace, MoveReplacesOnlyWhenAsked) {
    Write("new", "new text");
    Write("old", "old text");
    EXPECT_FALSE(MoveFileExA(Win("new").c_str(), Win("old").c_str(), 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(Read("old"), "old text");
    EXPECT_EQ(Read("new"), "new text");

    ASSERT_TRUE(MoveFileExA(Win("new").c_str(), Win("old").c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(Read("old"), "new text");
    EXPECT_FALSE(fs::exists(dir_ / "new"));

    ASSERT_TRUE(MoveFileExA(Win("old").c_str(), Win("other").c_str(), 0));
    EXPECT_EQ(Read("other"), "new text");
}

TEST_F(FileReplace, FailuresCarryTheSystemsCodes) {
    EXPECT_FALSE(MoveFileExA(Win("missing").c_str(), Win("x").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(MoveFileExA(Win("no\\such").c_str(), Win("x").c_str(), 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
    Write("file", "1");
    EXPECT_FALSE(MoveFileExA(Win("file").c_str(), Win("x").c_str(), MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    fs::create_directories(dir_ / "folder");
    EXPECT_FALSE(
        MoveFileExA(Win("file").c_str(), Win("folder").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Read("file"), "1");

    EXPECT_FALSE(DeleteFileA(Win("missing").c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileA(Win("folder").c_str()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(fs::exists(dir_ / "folder"));
    EXPECT_TRUE(DeleteFileA(Win("file").c_str()));
    EXPECT_FALSE(fs::exists(dir_ / "file"));
}

TEST_F(FileReplace, ReplaceKeepsTheReplacedFilesPermissions) {
    Write("old", "old");
    Write("new", "new");
    fs::permissions(dir_ / "old", fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(dir_ / "new", fs::perms::all);
    ASSERT_TRUE(ReplaceFileA(Win("old").c_str(), Win("new").c_str(), nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(Read("old"), "new");
    EXPECT_FALSE(fs::exists(dir_ / "new"));
    EXPECT_EQ(fs::status(dir_ / "old").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // The replaced file must exist.
    Write("new", "new");
    EXPECT_FALSE(
        ReplaceFileA(Win("missing").c_str(), Win("new").c_str(), nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Read("new"), "new");
}

TEST_F(FileReplace, FinalPathFollowsLinks) {
    fs::create_directories(dir_ / "real");
    Write("real/file", "x");
    fs::create_symlink(dir_ / "real" / "file", dir_ / "link");
    HANDLE file = CreateFileA(Win("link").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string expected = "\\\\?\\" + Win("real/file");
    char small[4] = "abc";
    EXPECT_EQ(GetFinalPathNameByHandleA(file, small, sizeof small, 0), expected.size() + 1);
    EXPECT_STREQ(small, "abc");
    char path[MAX_PATH * 4];
    EXPECT_EQ(GetFinalPathNameByHandleA(file, path, sizeof path, 0), expected.size());
    EXPECT_EQ(std::string(path), expected);
    CloseHandle(file);
}

TEST_F(FileReplace, FlushNeedsAWritableHandle) {
    Write("file", "1");
    HANDLE reading = CreateFileA(Win("file").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reading, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FlushFileBuffers(reading));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    CloseHandle(reading);
    HANDLE writing = CreateFileA(Win("file").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writing, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FlushFileBuffers(writing));
    CloseHandle(writing);
    EXPECT_FALSE(FlushFileBuffers(writing));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

} // namespace
