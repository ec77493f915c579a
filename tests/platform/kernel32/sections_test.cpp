#include "object_files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <unistd.h>

namespace {

// Each test program has its own namespace of section names, so runs side by side never meet.
class Sections : public ::testing::Test {
protected:
    Sections() { setenv("PELMORA_PLATFORM_SECTIONS", space_.c_str(), 1); }
    ~Sections() override { unsetenv("PELMORA_PLATFORM_SECTIONS"); }
    // Every handle closed and every other program ended: nothing of the test is left on disk.
    void TearDown() override {
        EXPECT_EQ(object_files::OfNamespace(space_), std::set<std::string>{});
    }

    const std::string space_ = "sections-test-" + std::to_string(getpid());
};

HANDLE Create(const char* name, DWORD size, DWORD protect = PAGE_READWRITE) {
    return CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, protect, 0, size, name);
}

TEST_F(Sections, ASecondCreateOpensTheSectionWithItsSizeAndContents) {
    HANDLE first = Create("Shared", 100);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    char* view = static_cast<char*>(MapViewOfFile(first, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(view[i], 0) << i; // a new section is zeroed
    std::strcpy(view, "written first");

    // Asked for with another size, the section keeps its own: a view of 200 bytes reaches past
    // its end and is refused, one of 100 is not.
    HANDLE second = Create("Shared", 200);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(MapViewOfFile(second, FILE_MAP_WRITE, 0, 0, 200), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    char* again = static_cast<char*>(MapViewOfFile(second, FILE_MAP_READ, 0, 0, 100));
    ASSERT_NE(again, nullptr);
    EXPECT_STREQ(again, "written first");

    HANDLE opened = OpenFileMappingA(FILE_MAP_READ, FALSE, "Shared");
    ASSERT_NE(opened, nullptr);
    // A handle opened for reading gives no view for writing.
    EXPECT_EQ(MapViewOfFile(opened, FILE_MAP_WRITE, 0, 0, 0), nullptr);

    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_TRUE(UnmapViewOfFile(again));
    EXPECT_FALSE(UnmapViewOfFile(again));
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_TRUE(CloseHandle(opened));

    // No holder is left: the section has ended, and the name makes a new, empty one.
    EXPECT_EQ(OpenFileMappingA(FILE_MAP_READ, FALSE, "Shared"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    HANDLE fresh = Create("Shared", 16);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    char* empty = static_cast<char*>(MapViewOfFile(fresh, FILE_MAP_READ, 0, 0, 0));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], 0);
    UnmapViewOfFile(empty);
    CloseHandle(fresh);
}

TEST_F(Sections, AViewOutlivesItsHandle) {
    HANDLE section = Create("Kept", 32);
    char* view = static_cast<char*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    std::strcpy(view, "still here");
    CloseHandle(section);
    HANDLE opened = OpenFileMappingA(FILE_MAP_READ, FALSE, "Kept");
    ASSERT_NE(opened, nullptr);
    char* other = static_cast<char*>(MapViewOfFile(opened, FILE_MAP_READ, 0, 0, 0));
    ASSERT_NE(other, nullptr);
    EXPECT_STREQ(other, "still here");
    UnmapViewOfFile(other);
    UnmapViewOfFile(view);
    CloseHandle(opened);
}

TEST_F(Sections, RefusesWhatItCannotGive) {
    struct Case {
        const char* what;
        HANDLE file;
        DWORD protect, size;
        DWORD error;
    } cases[] = {
        {"a file", reinterpret_cast<HANDLE>(0x100), PAGE_READWRITE, 16, ERROR_INVALID_HANDLE},
        {"no size", INVALID_HANDLE_VALUE, PAGE_READWRITE, 0, ERROR_INVALID_PARAMETER},
        {"execute", INVALID_HANDLE_VALUE, 0x40, 16, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(CreateFileMappingA(c.file, nullptr, c.protect, 0, c.size, "Refused"), nullptr)
            << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    HANDLE section = Create(nullptr, 16);
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(MapViewOfFile(section, FILE_MAP_READ, 0, 4096, 0), nullptr); // not on 64 KiB
    EXPECT_EQ(MapViewOfFile(reinterpret_cast<HANDLE>(0x7777), FILE_MAP_READ, 0, 0, 0), nullptr);
    HANDLE readonly = Create("ReadOnly", 16, PAGE_READONLY);
    ASSERT_NE(readonly, nullptr);
    EXPECT_EQ(MapViewOfFile(readonly, FILE_MAP_WRITE, 0, 0, 0), nullptr);
    CloseHandle(readonly);
    CloseHandle(section);
}

TEST_F(Sections, ASecondProgramOpensTheSectionByNameAndSeesWhatTheFirstWrote) {
    HANDLE section = Create("Between programs", 128);
    ASSERT_NE(section, nullptr);
    char* view = static_cast<char*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    std::strcpy(view, "written by the first program");

    std::string command = std::string(SECTION_PEER) + " 'Between programs'";
    FILE* peer = popen(command.c_str(), "r");
    ASSERT_NE(peer, nullptr);
    char seen[128] = {};
    size_t n = fread(seen, 1, sizeof seen - 1, peer);
    int status = pclose(peer);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(std::string(seen, n), "written by the first program");
    // And the first sees what the second wrote.
    EXPECT_STREQ(view + 64, "answered by the peer");

    // A name that no program holds is not found by the second one either.
    command = std::string(SECTION_PEER) + " 'Nobody'";
    EXPECT_EQ(WEXITSTATUS(pclose(popen(command.c_str(), "r"))), 2);
    UnmapViewOfFile(view);
    CloseHandle(section);
}

} // namespace
