#include "program_dir.h"

#include "testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(Startup, WithoutTheResourceLibraryTheProgramReportsItAndEnds) {
    e2e::ProgramDir dir({.resources = false});
    e2e::RunningProgram program(dir);
    std::optional<int> status = program.Wait(10s);
    ASSERT_TRUE(status.has_value());
    EXPECT_NE(*status, 0);
    std::string errors = program.Errors();
    EXPECT_NE(errors.find("Pelmora Initialize Error"), std::string::npos) << errors;
    EXPECT_NE(errors.find("Couldn't load 'PelmoraResources.dll'."), std::string::npos) << errors;
    // The system's reason follows on the next line.
    EXPECT_NE(errors.find("The module could not be found."), std::string::npos) << errors;
    EXPECT_FALSE(std::filesystem::exists(dir.settings()));
}

// Every opening, reading, writing and change of entries in some folders, as the kernel reports
// them, from the watch's start until Events.
class FolderWatch {
public:
    explicit FolderWatch(const std::vector<fs::path>& folders)
        : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        for (const fs::path& folder : folders)
            inotify_add_watch(fd_, folder.c_str(),
                              IN_OPEN | IN_ACCESS | IN_MODIFY | IN_CREATE | IN_DELETE |
                                  IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB);
    }
    ~FolderWatch() { close(fd_); }
    bool valid() const { return fd_ >= 0; }
    // The names the events were about ("." for a watched folder itself).
    std::vector<std::string> Events() const {
        std::vector<std::string> names;
        alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
        ssize_t n;
        while ((n = read(fd_, buffer, sizeof buffer)) > 0) {
            for (char* p = buffer; p < buffer + n;) {
                auto* event = reinterpret_cast<inotify_event*>(p);
                names.push_back(event->len ? event->name : ".");
                p += sizeof(inotify_event) + event->len;
            }
        }
        return names;
    }

private:
    int fd_;
};

// A program folder whose name does not come back from the Windows form as itself would send the
// program to another folder's settings and plug-ins. The program names its folder and ends, as
// for either refusal, before it has read or written anything in the folder its name would
// become.
TEST(Startup, AFolderWhoseNameTheWindowsFormChangesIsRefusedBeforeAnyFileIsTouched) {
    struct Case {
        const char* folder;
        std::vector<std::string> environment;
        const char* reason;   // in the message
        const char* stand_in; // the folder the Windows form of the name leads to
    };
    const Case cases[] = {
        {"a\\b", {}, "backslash", "a/b"},
        // "\xC3\x84" is "Ä", which code page 932 spells "?".
        {"\xC3\x84", {"PELMORA_PLATFORM_CODEPAGE=932"}, "cannot spell", "?"},
    };
    std::optional<int> first_status;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        platform::testing::TemporaryFolder root("pelmora-e2e");
        const fs::path folder = root / c.folder;
        platform::testing::LayOutProgramFolder(
            folder,
            {.executable = true, .plugins = platform::testing::ProgramParts::Plugins::Build});
        const fs::path stand_in = root / c.stand_in;
        platform::testing::LayOutProgramFolder(
            stand_in,
            {.resources = false, .plugins = platform::testing::ProgramParts::Plugins::Build});
        const std::string settings = "MainWindow[\r\n\tOpacity=9\r\n]\r\n";
        platform::testing::WriteWholeFile(stand_in / "Pelmora.pmu", settings);
        FolderWatch watch({stand_in, stand_in / platform::testing::kPluginFolderName});
        ASSERT_TRUE(watch.valid());

        e2e::RunningProgram program(folder, c.environment);
        std::optional<int> status = program.Wait(20s);
        ASSERT_TRUE(status.has_value()) << "the program runs on";
        EXPECT_NE(*status, 0);
        if (first_status) {
            EXPECT_EQ(*status, *first_status) << "both refusals end the same way";
        }
        first_status = status;
        const std::string errors = program.Errors();
        EXPECT_NE(errors.find("\"" + folder.string() + "/\""), std::string::npos) << errors;
        EXPECT_NE(errors.find(c.reason), std::string::npos) << errors;
        EXPECT_EQ(watch.Events(), std::vector<std::string>{});
        EXPECT_EQ(platform::testing::ReadWholeFile(stand_in / "Pelmora.pmu"), settings);
        EXPECT_FALSE(fs::exists(folder / "Pelmora.pmu"));
    }
}

} // namespace
