#include <windows.h>

#include "kernel32/modules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class Modules : public ::testing::Test {
protected:
    void SetUp() override { platform::SetProgramPath(std::string(MODULE_TEST_DIR) + "/pelmora"); }
    void TearDown() override { platform::SetProgramPath({}); }
};

typedef int (*CountProc)();

CountProc Entry(HMODULE module, LPCSTR name) {
    return reinterpret_cast<CountProc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

TEST_F(Modules, AttachOnFirstLoadDetachOnLastFree) {
    HMODULE first = LoadLibraryA("TestModule.dll");
    ASSERT_NE(first, nullptr);
    auto attaches = Entry(first, "TestModuleAttachCount");
    auto detaches = Entry(first, "TestModuleDetachCount");
    ASSERT_NE(attaches, nullptr);
    EXPECT_EQ(attaches(), 1);
    // DllMain turned the thread notifications off, with the handle it was given.
    auto disabled = Entry(first, "TestModuleThreadCallsDisabled");
    ASSERT_NE(disabled, nullptr);
    EXPECT_EQ(disabled(), 1);

    HMODULE second = LoadLibraryA("TestModule"); // the extension is added
    EXPECT_EQ(second, first);
    EXPECT_EQ(attaches(), 1);
    EXPECT_EQ(GetModuleHandleA("testmodule.dll"), first);

    EXPECT_TRUE(FreeLibrary(second));
    EXPECT_EQ(detaches(), 0);
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_FALSE(FreeLibrary(first));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST_F(Modules, LoadFailuresCarryTheSystemsCodes) {
    struct Case {
        const char* name;
        DWORD error;
    } cases[] = {
        {"Missing.dll", ERROR_MOD_NOT_FOUND},
        {"NotALibrary.dll", ERROR_BAD_EXE_FORMAT},
        {"RefusingModule.dll", ERROR_DLL_INIT_FAILED},
        // A bare name is looked for in the program's folder only, never on the library path.
        {"libc.so.6", ERROR_MOD_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(LoadLibraryA(c.name), nullptr) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
}

TEST_F(Modules, GetProcAddressSeesOnlyTheModulesOwnExports) {
    HMODULE module = LoadLibraryA("TestModule.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_NE(GetProcAddress(module, "TestModuleTick"), nullptr);
    // The library links the layer, but the layer's functions are not the library's exports.
    EXPECT_EQ(GetProcAddress(module, "GetTickCount"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetProcAddress(module, "NoSuchEntry"), nullptr);
    FreeLibrary(module);
}

TEST_F(Modules, ModuleFileNamesAreDriveLetterPaths) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string expected = "C:" + std::string(MODULE_TEST_DIR) + "/pelmora";
    for (char& c : expected)
        if (c == '/')
            c = '\\';
    EXPECT_EQ(std::string(path), expected);
    EXPECT_EQ(n, expected.size());

    char small[8];
    std::memset(small, '#', sizeof small);
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, 5), 5u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::string(small), expected.substr(0, 4));
    EXPECT_EQ(small[5], '#');

    HMODULE module = LoadLibraryA("TestModule.dll");
    n = GetModuleFileNameA(module, path, MAX_PATH);
    EXPECT_TRUE(std::string(path).ends_with("\\kernel32-program\\TestModule.dll")) << path;
    FreeLibrary(module);
}

} // namespace
