#include <windows.h>
#include <shellapi.h>

#include "testing/desktop.h"
#include "testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using platform::testing::ShellRequestScope;

INT_PTR Result(HINSTANCE value) {
    return reinterpret_cast<INT_PTR>(value);
}

class ShellRequests : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(folder_ / "docs");
        std::ofstream(folder_ / "docs" / "Readme.txt") << "read me\n";
        // A name that the ANSI code page (932) holds in two bytes a character.
        std::ofstream(folder_ / "docs" / "説明.txt") << "read me too\n";
    }
    // Its Windows paths (WindowsPath) are ANSI, so the double-byte name is in code page 932.
    const platform::testing::TemporaryFolder folder_{"pelmora-shell"};
};

// What each request hands the opener, or why it is refused, with nothing started.
TEST_F(ShellRequests, ResolvesFilesAndAddressesAndRefusesWhatItCannotOpen) {
    const std::string docs = (folder_ / "docs").string();
    struct Case {
        const char* name;
        std::optional<std::string> verb;
        std::optional<std::string> file;
        std::optional<std::string> directory;
        INT_PTR result; // 0: any success
        std::string target;
        DWORD error = 0;
    } cases[] = {
        {"web address", std::nullopt, "https://pelmora.example.org/?a=1&b=2", std::nullopt, 0,
         "https://pelmora.example.org/?a=1&b=2"},
        {"mail link, verb open", "open", "mailto:pelmora@example.org", std::nullopt, 0,
         "mailto:pelmora@example.org"},
        {"file by its full path", "OPEN", folder_.WindowsPath("docs\\Readme.txt"), std::nullopt, 0,
         docs + "/Readme.txt"},
        {"empty verb is the default", "", folder_.WindowsPath("docs\\Readme.txt"), std::nullopt, 0,
         docs + "/Readme.txt"},
        {"file in the directory given", std::nullopt, "Readme.txt", folder_.WindowsPath("docs"), 0,
         docs + "/Readme.txt"},
        {"double-byte name", std::nullopt, folder_.WindowsPath("docs\\説明.txt"), std::nullopt, 0,
         docs + "/説明.txt"},
        {"missing file", std::nullopt, folder_.WindowsPath("docs\\Missing.txt"), std::nullopt,
         SE_ERR_FNF, "", ERROR_FILE_NOT_FOUND},
        {"missing folder", std::nullopt, folder_.WindowsPath("nowhere\\Readme.txt"), std::nullopt,
         SE_ERR_PNF, "", ERROR_PATH_NOT_FOUND},
        {"drive that is not mapped", std::nullopt, "Q:\\Readme.txt", std::nullopt, SE_ERR_PNF, "",
         ERROR_PATH_NOT_FOUND},
        {"a drive letter is no address", std::nullopt, "C:Readme.txt", folder_.WindowsPath("docs"),
         SE_ERR_FNF, "", ERROR_FILE_NOT_FOUND},
        {"unknown verb", "print", folder_.WindowsPath("docs\\Readme.txt"), std::nullopt,
         SE_ERR_NOASSOC, "", ERROR_NO_ASSOCIATION},
        {"no file", std::nullopt, std::nullopt, std::nullopt, SE_ERR_FNF, "", ERROR_FILE_NOT_FOUND},
        {"empty file", std::nullopt, "", std::nullopt, SE_ERR_FNF, "", ERROR_FILE_NOT_FOUND},
    };
    HWND owner = reinterpret_cast<HWND>(0x1234);
    for (const Case& c : cases) {
        ShellRequestScope requests;
        SetLastError(0);
        INT_PTR result = Result(ShellExecuteA(
            owner, c.verb ? c.verb->c_str() : nullptr, c.file ? c.file->c_str() : nullptr,
            "ignored", c.directory ? c.directory->c_str() : nullptr, SW_SHOW));
        if (c.result == 0) {
            EXPECT_GT(result, 32) << c.name;
        } else {
            EXPECT_EQ(result, c.result) << c.name;
            EXPECT_EQ(GetLastError(), c.error) << c.name;
        }
        auto recorded = requests.Requests();
        ASSERT_EQ(recorded.size(), 1u) << c.name;
        EXPECT_EQ(recorded[0].owner, owner) << c.name;
        EXPECT_EQ(recorded[0].file, c.file.value_or("")) << c.name;
        EXPECT_EQ(recorded[0].parameters, "ignored") << c.name;
        EXPECT_EQ(recorded[0].show, SW_SHOW) << c.name;
        EXPECT_EQ(recorded[0].target, c.target) << c.name;
        EXPECT_EQ(recorded[0].result, result) << c.name;
    }
}

// The real opener is started: a stand-in on PATH writes down the arguments it was given.
class RealOpener : public ShellRequests {
protected:
    void SetUp() override {
        ShellRequests::SetUp();
        const char* path = std::getenv("PATH");
        saved_path_ = path ? std::optional<std::string>(path) : std::nullopt;
        fs::create_directories(folder_ / "bin");
    }
    void TearDown() override {
        if (saved_path_)
            setenv("PATH", saved_path_->c_str(), 1);
        else
            unsetenv("PATH");
        ShellRequests::TearDown();
    }
    // Installs a stand-in opener that writes each argument on a line of `arguments`.
    void InstallOpener() {
        WriteOpener(folder_ / "bin", "arguments");
        setenv("PATH", (folder_ / "bin").c_str(), 1);
    }
    // A stand-in opener in `folder` that writes each argument on a line of the test folder's
    // file `output`.
    void WriteOpener(const fs::path& folder, const std::string& output) {
        fs::create_directories(folder);
        fs::path script = folder / "xdg-open";
        const std::string written = (folder_ / output).string();
        std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > "
                              << written << ".tmp\n/bin/mv " << written << ".tmp " << written
                              << "\n";
        fs::permissions(script, fs::perms::owner_all);
    }
    // The arguments the stand-in wrote, once it has run (it runs on its own).
    std::optional<std::string> Arguments() {
        for (int i = 0; i < 500; ++i) {
            if (fs::exists(folder_ / "arguments")) {
                std::ifstream in(folder_ / "arguments");
                return std::string(std::istreambuf_iterator<char>(in), {});
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return std::nullopt;
    }
    std::optional<std::string> saved_path_;
};

// An empty or relative entry of PATH names the current folder, which can hold anything: the
// opener is looked for in the absolute folders alone.
class OpenerInCurrentFolder : public RealOpener {
protected:
    void SetUp() override {
        RealOpener::SetUp();
        saved_folder_ = fs::current_path();
        WriteOpener(folder_ / "here", "planted");
        WriteOpener(folder_ / "here" / "bin", "planted");
        fs::current_path(folder_ / "here");
    }
    void TearDown() override {
        fs::current_path(saved_folder_);
        RealOpener::TearDown();
    }
    fs::path saved_folder_;
};

TEST_F(OpenerInCurrentFolder, OnlyAnAbsoluteFolderOfPathIsSearched) {
    WriteOpener(folder_ / "bin", "arguments");
    for (const std::string& path :
         {":" + (folder_ / "bin").string(), ".:bin:" + (folder_ / "bin").string() + ":"}) {
        fs::remove(folder_ / "arguments");
        setenv("PATH", path.c_str(), 1);
        EXPECT_GT(Result(ShellExecuteA(nullptr, nullptr, "https://example.org/", nullptr, nullptr,
                                       SW_SHOW)),
                  32)
            << path;
        EXPECT_EQ(Arguments(), "https://example.org/\n") << path;
        // Only one opener is started, and it was the absolute folder's.
        EXPECT_FALSE(fs::exists(folder_ / "planted")) << path;
    }
}

TEST_F(OpenerInCurrentFolder, PathOfRelativeEntriesAloneFindsNoOpener) {
    for (const char* path : {"", ":", ".", "bin:.:"}) {
        setenv("PATH", path, 1);
        SetLastError(0);
        EXPECT_EQ(Result(ShellExecuteA(nullptr, nullptr, "https://example.org/", nullptr, nullptr,
                                       SW_SHOW)),
                  SE_ERR_NOASSOC)
            << '"' << path << '"';
        EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_ASSOCIATION)) << '"' << path << '"';
    }
    EXPECT_FALSE(fs::exists(folder_ / "planted"));
}

TEST_F(RealOpener, GetsTheTargetAsOneArgumentThatNoShellReads) {
    InstallOpener();
    // Were the address given to a shell, it would make the file "pwned" in the test folder.
    const std::string address = "https://example.org/a b;touch " + (folder_ / "pwned").string() +
                                "$(touch " + (folder_ / "pwned").string() + ")'\"";
    EXPECT_GT(Result(ShellExecuteA(nullptr, nullptr, address.c_str(), nullptr, nullptr, SW_SHOW)),
              32);
    EXPECT_EQ(Arguments(), address + "\n");
    EXPECT_FALSE(fs::exists(folder_ / "pwned"));

    fs::remove(folder_ / "arguments");
    std::string file = folder_.WindowsPath("docs\\Readme.txt");
    EXPECT_GT(Result(ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, SW_SHOW)), 32);
    EXPECT_EQ(Arguments(), (folder_ / "docs" / "Readme.txt").string() + "\n");
}

TEST_F(RealOpener, NoOpenerInstalledIsNoAssociation) {
    setenv("PATH", (folder_ / "bin").c_str(), 1); // an empty folder
    SetLastError(0);
    EXPECT_EQ(
        Result(ShellExecuteA(nullptr, nullptr, "https://example.org/", nullptr, nullptr, SW_SHOW)),
        SE_ERR_NOASSOC);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_ASSOCIATION));
}

} // namespace
